# Run by CPack (CPACK_PRE_BUILD_SCRIPTS) on its staged install before it builds the Debian package:
# moves the Python module from lib/pythonX.Y/site-packages (the install's
# default, where a Python under a prefix looks) to lib/python3/dist-packages,
# where Debian's python3 looks, and writes usr/share/doc/postsolve/copyright
# (the licence in Debian's machine-readable form).
set(root "${CPACK_TEMPORARY_DIRECTORY}${CPACK_PACKAGING_INSTALL_PREFIX}")
if(CPACK_POSTSOLVE_PYTHON_DIR MATCHES "^lib/python3[.0-9]*/site-packages$")
  # The package postsolve (its Python files and the compiled postsolve._core).
  file(MAKE_DIRECTORY "${root}/lib/python3/dist-packages")
  if(EXISTS "${root}/${CPACK_POSTSOLVE_PYTHON_DIR}/postsolve")
    file(RENAME "${root}/${CPACK_POSTSOLVE_PYTHON_DIR}/postsolve" "${root}/lib/python3/dist-packages/postsolve")
  endif()
  # The directories left empty: site-packages, then pythonX.Y.
  get_filename_component(versioned "${root}/${CPACK_POSTSOLVE_PYTHON_DIR}" DIRECTORY)
  foreach(dir "${root}/${CPACK_POSTSOLVE_PYTHON_DIR}" "${versioned}")
    file(GLOB left "${dir}/*")
    if(NOT left)
      file(REMOVE_RECURSE "${dir}")
    endif()
  endforeach()
endif()
file(READ "${CPACK_RESOURCE_FILE_LICENSE}" license)
string(REGEX REPLACE "\n\n" "\n.\n" license "${license}")
string(REGEX REPLACE "\n([^\n])" "\n \\1" license "${license}")
file(WRITE "${root}/share/doc/postsolve/copyright"
"Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/
Upstream-Name: postsolve

Files: *
Copyright: 2026 the postsolve authors
License: MIT
 ${license}")
