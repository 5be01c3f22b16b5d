echo.done >>log.txt 2>&1
if not exist "x y" if exist a^&b echo %1 %* %X% %P% %~1
cd..
echo a|b
ren a.nef "" x
(echo block)
:label
rem %%
^
﻿dir
set X=1
chcp 1252 & echo
3>x
>
x >&3
