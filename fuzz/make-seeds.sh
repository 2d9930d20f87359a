#!/usr/bin/env bash
# Assembles the seed corpus of each fuzz target from our test data and examples, the corpus that
# earlier fuzzing grew from them (corpus/<target>.tar.xz, inputs of up to 4 KiB that reach new
# code), and the inputs that once broke a target (regressions/<target>/), so that replaying the
# seeds replays all of these.
# Usage: make-seeds.sh SOURCE_DIR OUTPUT_DIR
set -euo pipefail
source_dir=$1
out=$2
data=$source_dir/tests/data
examples=$source_dir/examples
# Splits a folder input into export, AcqMethod.xml, sample_info.xml, BatchLog.xml, BatchLog.csv
# and Devices.xml.
separator=$'\n#8<#\n'

rm -rf "$out"
mkdir -p "$out"/{fuzz_import_csv,fuzz_import_folder,fuzz_xml_reader,fuzz_text}

# Exports: the test files whole, the examples cut after 6 KiB (a truncated last line included).
for file in "$data"/*.csv; do
  cp "$file" "$out/fuzz_import_csv/"
  cp "$file" "$out/fuzz_text/"
done
for folder in "$examples"/*.d; do
  name=$(basename "$folder" .d)
  head -c 6144 "$folder/$name.csv" >"$out/fuzz_import_csv/$name.csv"
  head -c 2048 "$folder/$name.csv" >"$out/fuzz_text/$name.csv"
  cp "$folder/AcqMethod.xml" "$out/fuzz_xml_reader/$name-AcqMethod.xml"
  cp "$folder/AcqData/sample_info.xml" "$out/fuzz_xml_reader/$name-sample_info.xml"
  {
    head -c 3072 "$folder/$name.csv"
    printf '%s' "$separator"
    cat "$folder/AcqMethod.xml"
    printf '%s' "$separator"
    cat "$folder/AcqData/sample_info.xml"
  } >"$out/fuzz_import_folder/$name"
done
# A test export beside an example's folder files: the folder names differ.
{
  cat "$data/AgilentImporter_msms.csv"
  printf '%s' "$separator"
  cat "$examples/Apatite_MSMS_02.d/AcqMethod.xml"
  printf '%s' "$separator"
  cat "$examples/Apatite_MSMS_02.d/AcqData/sample_info.xml"
} >"$out/fuzz_import_folder/msms-mismatched"

# A batch: no sample_info.xml, the record in the batch logs, the instrument in Devices.xml.
{
  head -c 3072 "$examples/GlassStd_01.d/GlassStd_01.csv"
  printf '%s' "$separator"
  cat "$examples/GlassStd_01.d/AcqMethod.xml"
  printf '%s%s' "$separator" "$separator"
  printf '<BatchLogDataSet><BatchLogInfo><AcqDateTime>2026-11-18T14:24:29+01:00</AcqDateTime>'
  printf '<AcqResult>Pass</AcqResult><DataFileName>D:\\DATA\\LA_demo.b\\GlassStd_01.d</DataFileName>'
  printf '<SampleName>NIST612</SampleName></BatchLogInfo></BatchLogDataSet>'
  printf '%s' "$separator"
  printf '#,Acq. Date-Time,Sample Name,File Name,Acquisition Result,Comment,\r\n'
  printf '1,18/11/2026 2:24:29 PM,NIST612,D:\\DATA\\LA_demo.b\\GlassStd_01.d,Pass,-,\r\n'
  printf '%s' "$separator"
  printf '<Devices><Device><Name>ICPMS</Name><ModelNumber>G3282A</ModelNumber>'
  printf '<SerialNumber>JP1</SerialNumber></Device></Devices>'
} >"$out/fuzz_import_folder/batch-logs"

for target in "$out"/*; do
  regressions=$source_dir/fuzz/regressions/$(basename "$target")
  if [ -d "$regressions" ]; then
    for file in "$regressions"/*; do
      cp "$file" "$target/regression-$(basename "$file")"
    done
  fi
done
for archive in "$source_dir"/fuzz/corpus/*.tar.xz; do
  if [ -e "$archive" ]; then
    tar -C "$out/$(basename "$archive" .tar.xz)" -xJf "$archive"
  fi
done
