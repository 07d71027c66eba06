// The four file routines and the state they share: output buffer, current input path, input size.
#include "ravlin/engine.h"

namespace ravlin {

void Engine::PackI(Host& host) {
  run(Method::kI, true, host);
}
void Engine::PackII(Host& host) {
  run(Method::kII, true, host);
}
void Engine::UnpackI(Host& host) {
  run(Method::kI, false, host);
}
void Engine::UnpackII(Host& host) {
  run(Method::kII, false, host);
}

std::int64_t Engine::GetInputSize(Host& host) {
  const std::int64_t size = fs_.sizeOf(host.InputPath());
  inputSize_ = size < 0 ? 0 : size;
  return inputSize_;
}

void Engine::run(Method method, bool packing, Host& host) {
  outputBuffer_.clear();
  currentInputPath_ = host.InputPath();
  // The input is held only for the run, however it ends.
  struct Release {
    ByteBuffer& buffer;
    ~Release() { buffer = ByteBuffer(); }
  } release{input_};
  readWholeFile(fs_, currentInputPath_, input_);
  if (packing) {
    inputSize_ = static_cast<std::int64_t>(input_.size());
    pack(method, input_.bytes(), outputBuffer_, host);
  } else {
    unpack(method, input_.bytes(), outputBuffer_, host);
  }
}

}  // namespace ravlin
