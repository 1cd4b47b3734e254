a = 5
B = a * 2
?a b                    ' expect: 5 10
GLOBAL arr(3), total
arr(2) = 4 : total = arr(2) + 1
?arr(2) total           ' expect: 4 5
?*arr                   ' expect: 0 0 4
?arr(3)                 ' expect error: 2003
?nothing                ' expect error: 2002
?"text" 1               ' expect: text 1
?ABS(-3) SQR(9) INT(-1.5) ' expect: 3 3 -2
