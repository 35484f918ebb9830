proc main {} {
  set f [open [file join [file dirname [info script]] data table.csv]]
  fconfigure $f -encoding cp932 -translation lf
  set lines [split [string trimright [read $f] \n] \n]
  close $f
  set data {}
  foreach line [lrange $lines 1 end] { lappend data [split $line ,] }
  puts [llength $data]
  # ascending and stable: ties stay in id order; the top scores are at the end
  set ordered [lsort -real -index 2 $data]
  foreach i {0 end end-1 end-2} { puts [join [lindex $ordered $i] ,] }
  set n 0
  foreach r $data {
    if {[lindex $r 2] >= 900 && [string match 佐藤* [lindex $r 1]]} { incr n }
  }
  puts $n
  set n 0
  foreach r $data { if {[string first 子 [lindex $r 1]] >= 0} { incr n } }
  puts $n
  set i [lsearch -exact -index 1 $data 高橋誠]
  puts [expr {$i < 0 ? -1 : $i + 1}]
  set sum 0
  foreach r $data { incr sum [lindex $r 2] }
  puts $sum
}
main
