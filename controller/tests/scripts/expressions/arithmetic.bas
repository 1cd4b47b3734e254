?1+2*3                  ' expect: 7
?(1+2)*3                ' expect: 9
?2^3^2                  ' expect: 512
?-2^2                   ' expect: -4
?7/2                    ' expect: 3.5
?7 MOD 3                ' expect: 1
?1/3                    ' expect: 0.333333
?0.0001                 ' expect: 0.0001
?$FF                    ' expect: 255
?1/0                    ' expect error: 2008
