proc main {} {
  set text ""
  for {set i 1} {$i <= 200000} {incr i} {
    append text "${i}行目のテキストです。東京都\n"
  }
  puts [regexp -all -- 東京 $text]
}
main
