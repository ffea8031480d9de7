#!/usr/bin/env bash
# The goldens' masking hides only the run's own stamps, build stamp and memory
# figures where the run writes them; the part's own data stays as it is.
source "$(dirname "$0")/lib.sh"

cat >volatile.txt <<'TEXT'
+++KavoTalvex [2026-01-01 00:00.00]: x
  <StartDateTime>2026-01-01 00:00.00</StartDateTime>
  <EndUpdateDateTime>2026-01-01 00:00.00</EndUpdateDateTime>
Init Logfile at Wed Dec  9 14:03:40 2026
Finished checking at  Wed Dec  9 14:03:40 2026
Start of: T V3 <Build: Dec  9 2026  14:00:00> at Wed Dec  9 14:03:40 2026
  <BuildDate>Dec  9 2026  14:00:00</BuildDate>
KavoTalvex Release: T V3 (Kavo CR2212) Dec  9 2026  14:00:00 
Info: dwAvailVirtual = 1234
  <StartLoadPartMemoryAllocation>77</StartLoadPartMemoryAllocation>
          <Value>2026-01-01 00:00.00</Value>
          <Titel>Wed Dec  9 14:03:40 2026</Titel>
      <PartHistory_1>1 Dec  9 2026  14:00:00 ws1</PartHistory_1>
          <Name>Info: dwAvailPhys = 5</Name>
TEXT
cat >expected.txt <<'TEXT'
+++KavoTalvex [<TIME-STAMP>]: x
  <StartDateTime><TIME-STAMP></StartDateTime>
  <EndUpdateDateTime><TIME-STAMP></EndUpdateDateTime>
Init Logfile at <CTIME>
Finished checking at  <CTIME>
Start of: T V3 <Build: <BUILD-STAMP>> at <CTIME>
  <BuildDate><BUILD-STAMP></BuildDate>
KavoTalvex Release: T V3 (Kavo CR2212) <BUILD-STAMP> 
Info: dwAvailVirtual = <MEMORY>
  <StartLoadPartMemoryAllocation><MEMORY></StartLoadPartMemoryAllocation>
          <Value>2026-01-01 00:00.00</Value>
          <Titel>Wed Dec  9 14:03:40 2026</Titel>
      <PartHistory_1>1 Dec  9 2026  14:00:00 ws1</PartHistory_1>
          <Name>Info: dwAvailPhys = 5</Name>
TEXT
mask volatile.txt | diff -u expected.txt - >&2 || fail "masking differs from expected.txt"
finish
