chcp 65001
cd "/photos/raw day"
ren "/photos/raw day/*.nef" *.nbak
ren "/photos/raw day/*.cr2" *.cbak
ren "/photos/raw day/a.nbak" a.nef
ren "/photos/raw day/100%%.nbak" "100%%.nef"
del "/photos/raw day/*.nbak"
