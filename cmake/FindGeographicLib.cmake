# GeographicLib as the imported target GeographicLib::GeographicLib, found by
# name wherever the machine keeps it (its static library preferred, so that a
# program built on libsailings needs nothing at run time). Debian ships no
# CMake package for it, only headers and libraries.
find_path(GeographicLib_INCLUDE_DIR GeographicLib/Geodesic.hpp)
# (Code made position independent, for a shared module such as the Python
# one, takes the shared library: Debian's static one is not.)
if(CMAKE_POSITION_INDEPENDENT_CODE)
  find_library(GeographicLib_LIBRARY NAMES GeographicLib Geographic)
else()
  find_library(GeographicLib_LIBRARY NAMES libGeographicLib.a Geographic GeographicLib)
endif()
include(FindPackageHandleStandardArgs)
find_package_handle_standard_args(GeographicLib
  REQUIRED_VARS GeographicLib_LIBRARY GeographicLib_INCLUDE_DIR)
if(GeographicLib_FOUND AND NOT TARGET GeographicLib::GeographicLib)
  add_library(GeographicLib::GeographicLib UNKNOWN IMPORTED)
  set_target_properties(GeographicLib::GeographicLib PROPERTIES
    IMPORTED_LOCATION "${GeographicLib_LIBRARY}"
    INTERFACE_INCLUDE_DIRECTORIES "${GeographicLib_INCLUDE_DIR}")
endif()
mark_as_advanced(GeographicLib_INCLUDE_DIR GeographicLib_LIBRARY)
