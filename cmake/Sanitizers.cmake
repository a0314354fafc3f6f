# SPDX-License-Identifier: GPL-3.0-or-later
# One switch builds everything with AddressSanitizer and UndefinedBehaviorSanitizer.
if(VARNDEL_SANITIZE OR VARNDEL_FUZZ)
  add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  add_link_options(-fsanitize=address,undefined)
endif()
