# The platform-independent sources of the shared-library pieces, listed once for the two product
# builds and the fuzzing build.
set(YOL_QRLIB_CORE_SOURCES
  BuiltinFolders.cpp
  CaseFold.cpp
  ExpansionRules.cpp
  IniReader.cpp
  IsolateIniSearch.cpp
  Isolation.cpp
  SiloName.cpp
)
