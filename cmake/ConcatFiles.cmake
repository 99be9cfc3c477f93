# cmake -DOUT=<file> -DIN=<a|b|...> -P ConcatFiles.cmake: OUT becomes the
# files of IN one after another.
string(REPLACE "|" ";" IN "${IN}")
set(text "")
foreach(f IN LISTS IN)
  file(READ "${f}" part)
  string(APPEND text "${part}")
endforeach()
file(WRITE "${OUT}.tmp" "${text}")
file(RENAME "${OUT}.tmp" "${OUT}")
