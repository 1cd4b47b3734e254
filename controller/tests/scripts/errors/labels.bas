' A command, parameter, built-in or keyword followed by ':' runs; only other
' names make labels.
start:?5                ' expect: 5
TRIGGER:?5              ' expect: 5
SPEED:?5                ' expect error: 2004
abs:?5                  ' expect error: 2002
GOTO trigger            ' expect error: 2010
GOSUB Base              ' expect error: 2010
GOTO then               ' expect error: 2010
