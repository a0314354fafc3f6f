# SPDX-License-Identifier: GPL-3.0-or-later
# Warning flags shared by every target of the project.
add_library(varndel_warnings INTERFACE)
target_compile_options(varndel_warnings INTERFACE
  -Wall -Wextra -Wpedantic -Wold-style-cast)
target_compile_definitions(varndel_warnings INTERFACE
  QT_NO_CAST_TO_ASCII QT_NO_URL_CAST_FROM_STRING QT_NO_NARROWING_CONVERSIONS_IN_CONNECT)
