# The platform-independent sources of trust verification, listed once for the two product builds
# and the fuzzing build.
set(YOL_TRUST_CORE_SOURCES
  PublisherNames.cpp
  SignerRules.cpp
  TrustDecisions.cpp
  VerifyPathRules.cpp
)
