# What a user gets beyond the libraries and programs: the licence and notice,
# the man pages, and a Debian package made by CPack from the install
# (`cpack -G DEB` in the build directory, after the build; docs/packaging.md).
install(FILES LICENSE NOTICE DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/doc/postsolve)
install(FILES docs/man/postsolve.1 docs/man/postsolve-kit.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

set(CPACK_PACKAGE_NAME postsolve)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "the postsolve authors")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "LP pipeline: presolve with a log, solve with Clp, postsolve, check")
set(CPACK_PACKAGE_DESCRIPTION
    "postsolve recovers the full solution of a presolved linear program from the
reduced problem's solution and the presolver's log, and writes its report.
postsolve-kit reads models (MPS, LP), presolves them with a log, solves the
reduced LP with Clp, replays the log, checks and verifies the full solution
and exports it. Also the static libraries with their headers, CMake package
and pkg-config file, and the Python module when it was built.")
set(CPACK_RESOURCE_FILE_LICENSE ${CMAKE_SOURCE_DIR}/LICENSE)
set(POSTSOLVE_DEB_MAINTAINER "the postsolve authors <postsolve@example.org>"
    CACHE STRING "The Maintainer field of the Debian package")
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${POSTSOLVE_DEB_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_SECTION math)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)  # postsolve_VERSION_ARCH.deb
# The run-time libraries (Clp's, CoinUtils', the C++ library's) from what the
# programs and the module link, by dpkg-shlibdeps (Debian dpkg-dev); by name
# without it.
find_program(POSTSOLVE_DPKG_SHLIBDEPS dpkg-shlibdeps)
set(POSTSOLVE_DEB_DEPENDS "")
if(POSTSOLVE_DPKG_SHLIBDEPS)
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
else()
  set(POSTSOLVE_DEB_DEPENDS "coinor-libclp1, coinor-libcoinutils3v5, libisal2, libstdc++6, libgcc-s1, libc6")
endif()
# The Python module: the interpreter it was built for and numpy. Debian's
# python3 looks in /usr/lib/python3/dist-packages, not in site-packages: the
# package moves it there (debpython.cmake, after CPack's own install).
if(POSTSOLVE_PYTHON_BUILT)
  set(python "python3 (>= ${Python3_VERSION_MAJOR}.${Python3_VERSION_MINOR}), ")
  math(EXPR next "${Python3_VERSION_MINOR} + 1")
  string(APPEND python "python3 (<< ${Python3_VERSION_MAJOR}.${next}), python3-numpy")
  if(POSTSOLVE_DEB_DEPENDS)
    set(POSTSOLVE_DEB_DEPENDS "${POSTSOLVE_DEB_DEPENDS}, ${python}")
  else()
    set(POSTSOLVE_DEB_DEPENDS "${python}")
  endif()
endif()
set(CPACK_DEBIAN_PACKAGE_DEPENDS "${POSTSOLVE_DEB_DEPENDS}")
# What building against the libraries needs (their CMake package and
# pkg-config file find these).
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS
    "coinor-libclp-dev, coinor-libcoinutils-dev, libisal-dev, nlohmann-json3-dev, pkgconf, cmake")
# The package's own files: the module's directory, and the licence as
# /usr/share/doc/postsolve/copyright, as Debian has it.
set(CPACK_POSTSOLVE_PYTHON_DIR "${POSTSOLVE_PYTHON_BUILT}")
set(CPACK_PRE_BUILD_SCRIPTS ${CMAKE_SOURCE_DIR}/cmake/debpython.cmake)
set(CPACK_GENERATOR DEB)
include(CPack)
