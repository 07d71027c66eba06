# Types LINE and Tab into a fresh interactive zsh that loads the completion in COMPLETION_DIR,
# then presses Ctrl-T, bound to show the edited line whole as [[LINE]] below it, and waits up to
# 10 seconds for EXPECTED to appear on the terminal: in that line or in the list of candidates.
# Exit status 0 when it does; either way prints what the terminal showed after the line typed
# (when EXPECTED appears, once the terminal has been quiet for half a second).
# Usage: zsh -f zsh-complete.zsh COMPLETION_DIR LINE EXPECTED
zmodload zsh/zpty || exit 1
zpty shell 'zsh -f -i'
zpty -w shell "fpath=(${(q)1} \$fpath); autoload -Uz compinit; compinit -u -D"
zpty -w shell 'show-line() { zle -M "[[$BUFFER]]" }; zle -N show-line; bindkey "^T" show-line'
zpty -n -w shell "$2"$'\t'
local shown= chunk
integer tries
for (( tries = 1; tries <= 100; tries++ )); do
  # Ctrl-T again now and then: pressed while the completion still runs, it could come too early.
  (( tries % 5 )) || zpty -n -w shell $'\x14'
  while zpty -r -t shell chunk; do shown+=$chunk; done
  # The line typed is echoed first; look only at what comes after it.
  if [[ ${shown#*$2} == *$3* ]]; then
    while zpty -r -t shell chunk || { sleep 0.5; zpty -r -t shell chunk }; do shown+=$chunk; done
    zpty -d shell
    print -r -- "${shown#*$2}" | sed 's/\x1b\[[0-9;?]*[A-Za-z]//g'
    exit 0
  fi
  sleep 0.1
done
zpty -d shell
local after=${shown#*$2}
print -r -- "${after[1,300]}" | sed 's/\x1b\[[0-9;?]*[A-Za-z]//g'
exit 1
