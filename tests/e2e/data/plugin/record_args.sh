# Post command of the interactive tests: records each argument on a line.
for argument in "$@"; do
    printf '%s\n' "$argument"
done >>args.txt
