# SPDX-License-Identifier: GPL-3.0-or-later
# Debian's hardening, the flags dpkg-buildflags gives with hardening=+all, on every optimised
# build, the package's among them. Fortified calls need the optimiser; the Debug build is the
# sanitizers'.
set(optimised "$<CONFIG:Release,RelWithDebInfo,MinSizeRel>")
add_compile_definitions("$<${optimised}:_FORTIFY_SOURCE=2>")
add_compile_options("$<${optimised}:-fstack-protector-strong;-fstack-clash-protection>"
  "$<${optimised}:-fcf-protection;-Wformat;-Werror=format-security>")
add_link_options("$<${optimised}:LINKER:-z,relro,-z,now>")
