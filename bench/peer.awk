# What a user might write instead of setsieve: the same three report bodies
# from an awk hash. Run with LC_ALL=C (tolower folds A-Z only) as
#   awk -f peer.awk file2 file1
# in an empty folder; writes unique1, unique2 and common without headers.
BEGIN { ORS = "" }
FNR == NR {
  sub(/\r$/, "")
  n2 = FNR
  line2[FNR - 1] = $0
  if ($0 !~ /^[[:space:][:cntrl:]]*$/) {
    k = tolower($0)
    members[k] = (k in members) ? members[k] " " (FNR - 1) : (FNR - 1)
  }
  next
}
{
  sub(/\r$/, "")
  if ($0 ~ /^[[:space:][:cntrl:]]*$/) next
  k = tolower($0)
  if (k in members) {
    print "\r\n" (FNR - 1) "\t" $0 "\r\n" > "common"
    m = split(members[k], idx, " ")
    for (i = 1; i <= m; i++) {
      print idx[i] "\t" line2[idx[i]] "\r\n" > "common"
      used[idx[i]] = 1
    }
  } else {
    print (FNR - 1) "\t" $0 "\r\n" > "unique1"
  }
}
END {
  printf "" > "unique1"; printf "" > "unique2"; printf "" > "common"
  for (i = 0; i < n2; i++)
    if (!(i in used) && line2[i] !~ /^[[:space:][:cntrl:]]*$/)
      print i "\t" line2[i] "\r\n" > "unique2"
}
