?1<2                    ' expect: -1
?1>2                    ' expect: 0
?1=1 AND 2=2            ' expect: -1
?1=1 AND 2=3 OR 1       ' expect: -1
?NOT 0                  ' expect: -1
?1 XOR 1                ' expect: 0
?1 <> 2, 3 >= 3, 3 <= 2 ' expect: -1 -1 0
