?*SLOT                  ' expect: 0:ETHERCAT
?MAX_AXIS               ' expect: 8
?Sys_version            ' expect error: 2002
