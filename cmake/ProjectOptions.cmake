# One interface target carries the language standard, warnings and defines for every target.
add_library(tallwick_options INTERFACE)
target_compile_features(tallwick_options INTERFACE cxx_std_20)
target_compile_options(tallwick_options INTERFACE -Wall -Wextra -Wpedantic -Wshadow -Wconversion
                       -Wno-sign-conversion)
if(TALLWICK_WERROR)
  target_compile_options(tallwick_options INTERFACE -Werror)
endif()
target_compile_definitions(tallwick_options INTERFACE
  TALLWICK_VERSION="${PROJECT_VERSION}"
  TALLWICK_BUILD_NUMBER=${PROJECT_VERSION_TWEAK})
