OP(1,1)
op(2,1) : OP(3)=1
?OP(1) OP(2) OP(3) OP(4) ' expect: 1 1 1 0
?*OP(0,4)               ' expect: 0 1 1 1
INVERT_IN(0,1)
?IN(0) IN(1)            ' expect: 1 0
?INVERT_IN(0),INVERT_IN(1) ' expect: 1 0
?IN(24)                 ' expect error: 2003
?IN(32)                 ' expect error: 2003
?IN(48)                 ' expect: 0
OP(48,1)
?OP(48)                 ' expect: 1
