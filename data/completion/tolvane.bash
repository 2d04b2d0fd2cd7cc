# SPDX-License-Identifier: GPL-3.0-or-later
# bash completion for tolvane

_tolvane() {
  local cur prev words cword
  if declare -F _init_completion >/dev/null; then
    _init_completion -s || return
  else
    cur=${COMP_WORDS[COMP_CWORD]}
    prev=${COMP_WORDS[COMP_CWORD - 1]}
    words=("${COMP_WORDS[@]}")
    cword=$COMP_CWORD
  fi

  case $prev in
    --mode)
      mapfile -t COMPREPLY < <(compgen -W 'cbc ecb' -- "$cur")
      return
      ;;
    --password-file)
      compopt -o filenames 2>/dev/null
      mapfile -t COMPREPLY < <(compgen -f -- "$cur")
      return
      ;;
    --password-fd)
      mapfile -t COMPREPLY < <(compgen -W '0 3 4 5 6 7 8 9' -- "$cur")
      return
      ;;
    --output-dir | -O)
      compopt -o filenames 2>/dev/null
      mapfile -t COMPREPLY < <(compgen -d -- "$cur")
      return
      ;;
    --threads | -j)
      local counts
      counts=$(printf '%s\n' 1 2 4 "$(nproc 2>/dev/null)" | sort -nu)
      mapfile -t COMPREPLY < <(compgen -W "$counts" -- "$cur")
      return
      ;;
  esac

  # The command is the first word that is neither an option nor the value of one.
  local i command="" ended=""
  for ((i = 1; i < cword; i++)); do
    case ${words[i]} in
      --) ended=1 ;;
      --mode | --password-file | --password-fd | --threads | -j | --output-dir | -O)
        [ -z "$ended" ] && ((i++))
        ;;
      -*) [ -n "$ended" ] && [ -z "$command" ] && command=${words[i]} ;;
      *) [ -z "$command" ] && command=${words[i]} ;;
    esac
  done

  if [ -z "$ended" ] && [[ $cur == -* ]]; then
    local options='--mode --no-hash --force -f --password-file --password-fd
      --allow-empty-password --threads -j --quiet -q --verbose -v --recursive -r
      --output-dir -O --each --legacy-padding --help -h --version'
    mapfile -t COMPREPLY < <(compgen -W "$options" -- "$cur")
    return
  fi
  if [ -z "$command" ]; then
    mapfile -t COMPREPLY < <(compgen -W 'encrypt decrypt' -- "$cur")
    return
  fi
  compopt -o filenames 2>/dev/null
  mapfile -t COMPREPLY < <(compgen -f -- "$cur")
} && complete -F _tolvane tolvane
