# Writes a profile file with the demo profile, unless the user already has one.
if(NOT EXISTS ${INI})
  string(ASCII 13 CR)
  set(nl "${CR}\n")
  file(WRITE ${INI}.tmp "[デモ]${nl}NAME=デモ${nl}LOG=demo${nl}PAS=demo${nl}SRV=demo.db${nl}")
  file(CHMOD ${INI}.tmp PERMISSIONS OWNER_READ OWNER_WRITE)
  file(RENAME ${INI}.tmp ${INI})
endif()
