# The platform-independent sources of the install configuration, listed once for the two product
# builds and the fuzzing build.
set(YOL_CONFIG_CORE_SOURCES
  FeatureFilter.cpp
  IdentityRules.cpp
  OptionMaps.cpp
  PackageSelection.cpp
  RebootValues.cpp
)
