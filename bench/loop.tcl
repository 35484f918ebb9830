proc main {} {
  set total 0
  for {set i 1} {$i <= 3000000} {incr i} {
    set total [expr {($total + $i) % 1000003}]
  }
  puts $total
}
main
