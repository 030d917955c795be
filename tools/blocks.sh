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
# 'from' must occur exactly once in 'file'. A block may change a second place
# of the same file, applied after the first:
#   then:  text that must then occur exactly once
#   into:  what it becomes
# and one place of a second file, such as the display mode in main when the
# change needs a buffer the window lacks:
#   file2: src/app/main.cpp
#   from2: text that must occur exactly once in file2
#   to2:   what it becomes
# Other keys are the caller's.

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

# Applies the current block to its file, and to its second file if it has
# one, in the current folder, keeping their texts in original_text and
# original_text2 for put_back. Fails, saying why in block_problem and
# writing nothing, when the block cannot apply.
apply_block() {
  local file=${block[file]:-} file2=${block[file2]:-} text text2
  if [ ! -f "$file" ]; then
    block_problem="no file $file"
    return 1
  fi
  whole_text original_text "$file" || return
  replaced text "$original_text" "${block[from]:-}" "${block[to]:-}" ||
    { block_problem="its from: is not found exactly once in $file"; return 1; }
  if [ -n "${block[then]:-}" ]; then
    replaced text "$text" "${block[then]}" "${block[into]:-}" ||
      { block_problem="its then: is not found exactly once in $file"; return 1; }
  fi
  if [ -n "$file2" ]; then
    if [ ! -f "$file2" ] || [ "$file2" -ef "$file" ]; then
      block_problem="no second file $file2, other than $file"
      return 1
    fi
    whole_text original_text2 "$file2" || return
    replaced text2 "$original_text2" "${block[from2]:-}" "${block[to2]:-}" ||
      { block_problem="its from2: is not found exactly once in $file2"; return 1; }
    printf '%s' "$text2" >"$file2"
  fi
  printf '%s' "$text" >"$file"
}

# Sets variable $1 to the text of file $2, to its last line break: $(...)
# alone would drop the line breaks at the end.
whole_text() {
  local read
  read=$(cat "$2" && printf x) || return
  printf -v "$1" '%s' "${read%x}"
}

# Sets variable $1 to text $2 with its one occurrence of $3 replaced by $4;
# fails as replace_once does.
replaced() {
  local made
  made=$(replace_once "$2" "$3" "$4" && printf x) || return
  printf -v "$1" '%s' "${made%x}"
}

# Prints text $1 with its one occurrence of $2 replaced by $3; fails when $2
# is empty or does not occur exactly once.
replace_once() {
  local before=${1%%"$2"*} after=${1#*"$2"}
  [ -n "$2" ] && [ "$before" != "$1" ] && [[ $after != *"$2"* ]] || return 1
  printf '%s' "$before$3$after"
}

put_back() {
  printf '%s' "$original_text" >"${block[file]}"
  [ -z "${block[file2]:-}" ] || printf '%s' "$original_text2" >"${block[file2]}"
}
