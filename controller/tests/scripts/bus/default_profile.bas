?*SLOT                              ' expect: 0:ETHERCAT
?SLOT_TYPE(0) SLOT_TYPE(1)          ' expect: 1 0
?NODE_COUNT(0)                      ' expect: 4
?NODE_COUNT(1)                      ' expect error: 2003
?MAX_REALAXIS MAX_MODULEAXIS        ' expect: 4 2
?NODE_INFO(0,0,0) NODE_INFO(0,2,0)  ' expect: 1647 477
?NODE_INFO(0,3,6) NODE_INFO(0,0,6)  ' expect: 3 1
?NODE_INFO(0,3,10) NODE_INFO(0,3,13) ' expect: 16 2
?NODE_AXIS_COUNT(0,1) NODE_AXIS_COUNT(0,3) ' expect: 1 0
?NODE_IO(0,3) NODE_AIO(0,3)         ' expect: 64 8
OP(79,1)
SDO_READ(0,3,$7000,16,1,0)
?TABLE(0)                           ' expect: 1
?OP(80)                             ' expect error: 2003
AOUT(9)=1234
SDO_READ(0,3,$6411,2,6,0)
?TABLE(0)                           ' expect: 1234
SDO_READ(0,0,$1018,2,7,0)
?TABLE(0)                           ' expect: 1
SDO_READ(0,4,$1018,2,7,0)           ' expect error: 2003
