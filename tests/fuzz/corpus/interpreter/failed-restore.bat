ren *.nef *.nbak
ren a.nbak
del *.nbak
