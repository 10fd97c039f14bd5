#!/usr/bin/python3
# SPDX-License-Identifier: GPL-3.0-or-later
# Adds the test accounts to a freshly provisioned domain controller, in one
# transaction (samba-tool takes about a second for each):
#   dc_accounts.py SMB_CONF USERS
# USERS accounts user0000... with a full name and a description; the groups
# Staff (user0000, user0001 and the computer PC7) and Sales (user0002); the
# computer PC7.
import sys

from samba.auth import system_session
from samba.param import LoadParm
from samba.samdb import SamDB

lp = LoadParm()
lp.load(sys.argv[1])
count = int(sys.argv[2])
db = SamDB(url=lp.private_path("sam.ldb"), lp=lp, session_info=system_session())
db.transaction_start()
try:
    for i in range(count):
        db.newuser("user%04d" % i, "Passw0rd!%04d" % i, givenname="Given%d" % i, surname="Family",
                   description="test account %d" % i)
    db.newcomputer("PC7", description="Front desk")
    db.newgroup("Staff", description="Office staff")
    db.newgroup("Sales", description="Sales desk")
    db.add_remove_group_members("Staff", ["user0000", "user0001", "PC7$"], add_members_operation=True)
    db.add_remove_group_members("Sales", ["user0002"], add_members_operation=True)
    db.transaction_commit()
except Exception:
    db.transaction_cancel()
    raise
