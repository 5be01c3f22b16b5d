@echo off
/usr/bin/exiv2 -pv /photos/raw/a.nef >/photos/jpg/a.txt
copy "/photos/raw/a-preview1.jpg" "/photos/jpg/a b.jpg" /Y
if exist /photos/raw/*.jpg /usr/bin/exiftool -all= -tagsfromfile @ /photos/jpg/a.jpg 2>nul
del /photos/jpg/*.jpg_original
