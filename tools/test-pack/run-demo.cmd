@echo off
rem Plays the sample house session of scripts/demo.sh: OrvexExchange.exe started by the host
rem simulator on a copy of the sample data folder, with the stand-in renderer, through start-up,
rem a camera move, saved views, an incremental change (walls edited, the shed deleted, the
rem ceiling lamp moved, the plaster recoloured) and a switch to another project. Prints what
rem reached the renderer after each step; the files of the session stay in %TEMP%.
setlocal EnableExtensions
cd /d "%~dp0"
set "demo=%TEMP%\orvex-demo-%RANDOM%%RANDOM%"
set "data=%demo%\appdata\Quorvel\Planomat2027_OrvexPlugin\Data"
xcopy "sample\data" "%data%\" /e /i /q /y >nul
if errorlevel 1 exit /b 1

bin\host-sim.exe --appdata "%demo%\appdata" --journal "%demo%\journal.jsonl" ^
  start report ^
  copy:sample\steps\camera_moved.cam=camera.cam post:1025 sleep:300 report ^
  post:1029 sleep:300 report ^
  post:1026 wait:1137 copy:sample\steps\change.sm=_mod.sm post:1027 post:1026 wait:1137 report ^
  copy:sample\steps\switch.sm=_mod.sm post:1027 post:1026 wait:1137 report ^
  close exit
set result=%errorlevel%

echo.
echo renderer journal (one JSON line per call): %demo%\journal.jsonl
echo program log: %demo%\appdata\Quorvel\Planomat2027_OrvexPlugin\DataOrvex_Log.log
echo sync-state file for the host: %data%\_mod.sync
exit /b %result%
