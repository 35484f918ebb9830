proc main {} {
  set f [open [file join [file dirname [info script]] data regex.txt]]
  fconfigure $f -encoding cp932 -translation lf
  set text [read $f]
  close $f
  regsub -all {([0-9]+)丁目([0-9]+)番地} $text {\1-\2} result
  puts [string length $result]
  puts [string length [encoding convertto cp932 $result]]
}
main
