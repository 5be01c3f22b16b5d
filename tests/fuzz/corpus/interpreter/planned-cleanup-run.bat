chcp 65001
cd /photos/raw
ren /photos/raw/*.nef *.nbak
ren /photos/raw/*.cr2 *.cbak
ren /photos/raw/*.crw *.wbak
ren /photos/raw/*.arw *.abak
ren /photos/raw/*.orf *.obak
ren /photos/raw/a.nbak a.nef
ren /photos/raw/b.nbak b.nef
ren /photos/raw/missing.nbak missing.nef
del /photos/raw/*.nbak
del /photos/raw/*.cbak
ren /photos/raw/*.nbak *.nef
ren /photos/raw sweep
del /photos/raw/*.txt
