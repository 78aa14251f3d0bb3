# Prints each line of a machine's trace that shows a unit moving, firing, routing or rallying after its
# leader's orders are over ("NAME in FinishLeader") and before the battle's next step opens (every machine
# checked in, the next leader, played here or on the other machine, the turn's end); exits 1 when there is one.
/ in FinishLeader$/ { open = 1; since = FNR; next }
/all players have checked in|Activating Remote Leader|Activating Local Leader|is now giving orders|Posting InitAILeader|VaelLogicalLayer::EndOfTurn|is going to become active/ { open = 0 }
open && /has finished moving|reaction fired|is now routing|doing a rout move|doing a terminal rout|has successfully rallied|Rolling for missile fire/ {
  print FILENAME ":" FNR ": " $0 " (the leader's orders ended at line " since ")"
  found = 1
}
END { exit found }
