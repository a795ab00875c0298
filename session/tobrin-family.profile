# GDM's X session script reads ~/.profile and ~/.xprofile before the steps in
# /etc/X11/Xsession.d, but /etc/profile, and so this file, before those: for
# a child's account the Tobrin session starts here, ahead of the home's files.
# Anywhere else (a console, another display manager) this does nothing.
[ "$0" != /etc/gdm3/Xsession ] || . @STEP@
