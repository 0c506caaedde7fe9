#!/usr/bin/env bash
# The scale table: each heavy command of tallwick-cli as a whole process, as the user runs it, on
# generated records of several sizes (10,000, 100,000 and 1,000,000 unless told otherwise). Every
# command runs RUNS times, the sizes taken in turn within each round so that the machine's noise
# falls on all of them alike. Prints a Markdown table: the median and worst seconds per size, the
# peak memory at the largest size, and how the time per record changes from the middle size to the
# largest (1.0 = grows no faster than the records). $TALLWICK_SCALE_ONLY keeps the operations whose
# name contains it. Needs the sqlite3 shell for the preparations.
#
#   bench/scale_table.sh [BUILD_DIR] [RUNS] [SIZE...]
set -euo pipefail

build=$(realpath "${1:-build}")
runs=${2:-3}
shift $(($# > 2 ? 2 : $#))
sizes=("$@")
[ ${#sizes[@]} -gt 0 ] || sizes=(10000 100000 1000000)

cli="$build/bin/tallwick-cli"
generate="$build/tools/tallwick-generate"
delivered="$build/bin/2018NB_qd_201809251730.mdb"
db=2018NB_qd_201809251730.mdb
work=${TALLWICK_SCALE_DIR:-/tmp/tallwick-scale}
out="$work/out"
mkdir -p "$work" "$out"

# One generated folder per size, made once and kept: checked, so that a re-check finds its states
# stored. The reports refuse records held or with errors: they run on a clean copy, whose package
# the import reads.
prepare() {
    local n=$1 folder="$work/$1"
    if [ ! -f "$folder/.generated" ]; then
        rm -rf "$folder" "$work/clean-$n"
        mkdir -p "$folder"
        cp "$delivered" "$folder/$db"
        "$generate" "$folder/$db" "$n" 7 >/dev/null
        "$cli" --data-dir "$folder" check --all >/dev/null
        mkdir -p "$work/clean-$n"
        cp "$folder/$db" "$work/clean-$n/$db"
        sqlite3 "$work/clean-$n/$db" "PRAGMA foreign_keys = ON;
            DELETE FROM dt_data1 WHERE c901 IN
              (SELECT c901 FROM dt_data WHERE RecordState <> 1 OR c907 = 3);
            DELETE FROM dt_data WHERE RecordState <> 1 OR c907 = 3;"
        "$cli" --data-dir "$work/clean-$n" export-package --provider 测试 -o "$work/$n.dat" >/dev/null
        touch "$folder/.generated"
    fi
}

# Seconds and peak resident kilobytes of one whole process.
timed() {
    /usr/bin/time -f "%e %M" -o "$out/time" "$@" >/dev/null 2>"$out/stderr" ||
        { echo "failed: $*" >&2; cat "$out/stderr" >&2; exit 1; }
    cat "$out/time"
}

# name | what runs before each run, untimed | the command's arguments ({} is the data folder)
operations=(
    "start and count (info)||info"
    "check --all, re-check||check --all"
    "check --all, first after an import|sqlite3 {}/$db 'UPDATE dt_data SET RecordState = 0'|check --all"
    "summary by level, all sheets||summary --by level -o $out/summary.xlsx"
    "data list, all tables||export-list -o $out/list.xlsx"
    "package export (clean records)||--data-dir {}/../clean-N export-package --provider 测试 -o $out/p.dat"
    "package import into an empty database|rm -rf $out/import; mkdir -p $out/import; cp $delivered $out/import/$db|--data-dir $out/import import $work/N.dat --yes"
    "network report (clean records)||--data-dir {}/../clean-N export-network -o $out/network.dat"
    "backup||backup -o $out/backup.mdb"
    "query over all records||query --where 'z001 > 5'"
)

if [ -n "${TALLWICK_SCALE_ONLY:-}" ]; then
    kept=()
    for operation in "${operations[@]}"; do
        [[ ${operation%%|*} == *"$TALLWICK_SCALE_ONLY"* ]] && kept+=("$operation")
    done
    operations=("${kept[@]}")
fi

for n in "${sizes[@]}"; do prepare "$n"; done
mkdir -p "$work/empty"
cp "$delivered" "$work/empty/$db"

declare -A seconds peak
empty=""
for operation in "${operations[@]}"; do
    IFS='|' read -r name before arguments <<<"$operation"
    for ((run = 0; run < runs; run++)); do
        for n in "${sizes[@]}"; do
            folder="$work/$n"
            args=${arguments//\{\}/$folder}
            args=${args//clean-N/clean-$n}
            args=${args//\/N.dat//$n.dat}
            [ -n "$before" ] && eval "${before//\{\}/$folder}"
            if [[ $args == --data-dir* ]]; then
                read -r s kb < <(eval timed "$cli" "$args")
            else
                read -r s kb < <(eval timed "$cli" --data-dir "$folder" "$args")
            fi
            seconds["$name,$n"]+="$s "
            if [ "$arguments" = info ]; then
                read -r s kb < <(timed "$cli" --data-dir "$work/empty" info)
                empty+="$s "
            fi
            peak["$name,$n"]=$(( kb > ${peak["$name,$n"]:-0} ? kb : ${peak["$name,$n"]:-0} ))
        done
    done
done

median() { tr ' ' '\n' | grep . | sort -g | awk '{v[NR]=$1} END {print (NR%2 ? v[(NR+1)/2] : (v[NR/2]+v[NR/2+1])/2)}'; }
worst() { tr ' ' '\n' | grep . | sort -g | tail -1; }

largest=${sizes[-1]}
middle=${sizes[-2]:-$largest}
header="| operation |"
rule="|---|"
for n in "${sizes[@]}"; do header+=" $n records: median (worst) s |"; rule+="---|"; done
echo "$header peak MB at $largest | time per record, $middle → $largest |"
echo "$rule---|---|"
for operation in "${operations[@]}"; do
    IFS='|' read -r name _ _ <<<"$operation"
    row="| $name |"
    for n in "${sizes[@]}"; do
        row+=" $(median <<<"${seconds["$name,$n"]}") ($(worst <<<"${seconds["$name,$n"]}")) |"
    done
    big=$(median <<<"${seconds["$name,$largest"]}")
    mid=$(median <<<"${seconds["$name,$middle"]}")
    growth=$(awk -v b="$big" -v m="$mid" -v nb="$largest" -v nm="$middle" \
        'BEGIN { if (m > 0) printf "%.2f", (b / nb) / (m / nm); else print "—" }')
    echo "$row $(( ${peak["$name,$largest"]} / 1024 )) | $growth |"
done
echo
echo "start and count (info) on the empty delivered database: median $(median <<<"$empty") s," \
    "worst $(worst <<<"$empty") s"
