@echo off
rem Runs every Windows-side test of OrvexExchange in this unzipped test pack, each test in a
rem process of its own, and closes with one line "N passed, M failed"; the exit code is 1 when
rem a test failed or none ran. The tests find OrvexExchange.exe and host-sim.exe beside them in
rem bin\, and the stand-in renderer in renderer-standin\; scratch files go to %TEMP%.
"%~dp0bin\test-runner.exe" %*
exit /b %errorlevel%
