# The licence notices of what the toolchain links into the program, for the portable archives:
# which library, which version and which Debian source package holds its exact source, read
# from the packages the compiler's own library files belong to.
#
#   rtfplain_notices(DESTINATION)   installs LICENSES/ into DESTINATION of the portable component

# Sets PREFIX_PACKAGE, PREFIX_PACKAGE_VERSION, PREFIX_SOURCE, PREFIX_SOURCE_VERSION and PREFIX_UPSTREAM
# for the Debian package that holds FILE as the compiler finds it.
function(rtfplain_package_of file prefix)
  set(package "")
  execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=${file}
                  OUTPUT_VARIABLE path OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
  if(IS_ABSOLUTE "${path}" AND EXISTS "${path}")
    file(REAL_PATH "${path}" path)
    execute_process(COMMAND dpkg-query -S "${path}" OUTPUT_VARIABLE owner
                    OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET RESULT_VARIABLE failed)
    if(NOT failed)
      string(REGEX REPLACE "[:,].*" "" package "${owner}")
    endif()
  endif()
  if(package STREQUAL "")
    set(unknown "(not known: the program was not built from Debian's packages)")
    foreach(field PACKAGE PACKAGE_VERSION SOURCE SOURCE_VERSION UPSTREAM)
      set(${prefix}_${field} "${unknown}" PARENT_SCOPE)
    endforeach()
    return()
  endif()
  execute_process(COMMAND dpkg-query -W -f=\${Version}|\${source:Package}|\${source:Version}
                          "${package}"
                  OUTPUT_VARIABLE fields OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
  string(REPLACE "|" ";" fields "${fields}")
  list(GET fields 0 version)
  list(GET fields 1 source)
  list(GET fields 2 source_version)
  string(REGEX REPLACE "^[0-9]+:" "" upstream "${version}")  # no epoch
  string(REGEX REPLACE "-[^-]*$" "" upstream "${upstream}")  # no Debian revision
  set(${prefix}_PACKAGE "${package}" PARENT_SCOPE)
  set(${prefix}_PACKAGE_VERSION "${version}" PARENT_SCOPE)
  set(${prefix}_SOURCE "${source}" PARENT_SCOPE)
  set(${prefix}_SOURCE_VERSION "${source_version}" PARENT_SCOPE)
  set(${prefix}_UPSTREAM "${upstream}" PARENT_SCOPE)
endfunction()

function(rtfplain_notices destination)
  set(licences ${PROJECT_SOURCE_DIR}/LICENSES)
  set(out ${PROJECT_BINARY_DIR}/LICENSES)
  rtfplain_package_of(libstdc++.a RTFPLAIN_GCC)
  configure_file(${licences}/gcc-runtime.txt.in ${out}/gcc-runtime.txt @ONLY)
  set(files ${out}/gcc-runtime.txt ${licences}/GPL-3.txt ${licences}/GCC-exception-3.1.txt
            ${licences}/dingbat-to-unicode.txt)
  if(CMAKE_SYSTEM_NAME STREQUAL "Linux")
    rtfplain_package_of(libc.a RTFPLAIN_LIBC)
    configure_file(${licences}/glibc.txt.in ${out}/glibc.txt @ONLY)
    list(APPEND files ${out}/glibc.txt ${licences}/LGPL-2.1.txt)
  elseif(WIN32)
    rtfplain_package_of(libmingwex.a RTFPLAIN_MINGW)
    configure_file(${licences}/mingw-w64.txt.in ${out}/mingw-w64.txt @ONLY)
    list(APPEND files ${out}/mingw-w64.txt)
    # Its files carry many licences: Debian's record of them goes along whole.
    set(record /usr/share/doc/${RTFPLAIN_MINGW_PACKAGE}/copyright)
    if(EXISTS ${record})
      configure_file(${record} ${out}/mingw-w64-copyright.txt COPYONLY)
      list(APPEND files ${out}/mingw-w64-copyright.txt)
    endif()
  endif()
  install(FILES ${files} DESTINATION ${destination} COMPONENT portable EXCLUDE_FROM_ALL)
endfunction()
