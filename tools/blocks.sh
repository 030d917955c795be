# Shared by tools/run_faults.sh and tools/experiments.sh, which each change
# the code one block at a time, in a copy of the tree. Source it:
#   . tools/blocks.sh
#
# A blocks file holds one change per block, blocks separated by blank lines,
# lines starting with # ignored; each line is KEY: VALUE, and \n in a value
# stands for a line break:
#   name:  up arrow walks backwards
#   file:  src/app/view_state.cpp
#   from:  eye[2] - std::cos(heading) * moveStep
#   to:    eye[2] + std::cos(heading) * moveStep
# 'from' must occur exactly once in 'file'. Other keys are the caller's.

# Copies every file git knows of or would add, as the working tree has it,
# into folder $1, keeping its build folder, so that unchanged code is not
# rebuilt there.
copy_tree() {
  local tree=$1
  mkdir -p "$tree/build"
  find "$tree" -mindepth 1 -maxdepth 1 ! -name build -exec rm -rf {} +
  git ls-files -z --cached --others --exclude-standard |
    while IFS= read -r -d '' f; do [ -e "$f" ] && printf '%s\0' "$f"; done |
    tar --null -T - -cf - | tar -xf - -C "$tree"
}

# Calls $2 once per block of file $1, with block[KEY] set for each key of
# the block (block is an associative array the caller declares).
for_each_block() {
  local list=$1 each=$2 line key value
  block=()
  while IFS= read -r line || [ -n "$line" ]; do
    if [[ -z ${line//[[:space:]]/} ]]; then
      [ ${#block[@]} -gt 0 ] && "$each"
      block=()
      continue
    fi
    [[ $line =~ ^[[:space:]]*# ]] && continue
    key=${line%%:*}
    value=${line#*:}
    value=${value#"${value%%[![:space:]]*}"}
    value=${value%"${value##*[![:space:]]}"}
    block[$key]=${value//\\n/$'\n'}
  done <"$list"
  [ ${#block[@]} -gt 0 ] && "$each"
  return 0
}

# Applies the current block to its file, in the current folder, keeping the
# file's text in original_text for put_back. Fails, saying why, when the
# block cannot apply.
apply_block() {
  local file=${block[file]:-} from=${block[from]:-} before after
  if [ ! -f "$file" ]; then
    block_problem="no file $file"
    return 1
  fi
  original_text=$(cat "$file" && printf x)
  original_text=${original_text%x}
  before=${original_text%%"$from"*}
  after=${original_text#*"$from"}
  if [ -z "$from" ] || [ "$before" = "$original_text" ] || [[ $after == *"$from"* ]]; then
    block_problem="its from: is not found exactly once in $file"
    return 1
  fi
  printf '%s' "$before${block[to]:-}$after" >"$file"
}

put_back() { printf '%s' "$original_text" >"${block[file]}"; }
