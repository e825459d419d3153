include(GNUInstallDirs)

find_program(DSCDMA_SCDOC scdoc REQUIRED)
find_program(DSCDMA_GZIP gzip REQUIRED)

# The installed program finds its data as ../share/dscdma/ from its own folder, whatever the prefix.
file(RELATIVE_PATH _dscdma_data_from_bin "/p/${CMAKE_INSTALL_BINDIR}" "/p/${CMAKE_INSTALL_DATADIR}/dscdma")
if(NOT _dscdma_data_from_bin STREQUAL "../share/dscdma")
  message(FATAL_ERROR "The program looks for its data in ../share/dscdma/ beside its folder, "
                      "which CMAKE_INSTALL_BINDIR=${CMAKE_INSTALL_BINDIR} and "
                      "CMAKE_INSTALL_DATADIR=${CMAKE_INSTALL_DATADIR} do not give.")
endif()

# Installs that strip (cpack, `cmake --install --strip`) strip as Debian does, through a wrapper
# around the toolchain's strip; every install rule below takes CMAKE_STRIP from here.
if(CMAKE_STRIP)
  set(DSCDMA_SYSTEM_STRIP "${CMAKE_STRIP}")
  configure_file("${PROJECT_SOURCE_DIR}/packaging/strip-as-debian.in" "${PROJECT_BINARY_DIR}/strip-as-debian" @ONLY
                 FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
  set(CMAKE_STRIP "${PROJECT_BINARY_DIR}/strip-as-debian")
endif()

# dscdma_gzip_file(<target> <source> <output>)
# A target that compresses a file at build time as Debian wants it: best compression, no name or time.
function(dscdma_gzip_file target source output)
  add_custom_command(
    OUTPUT "${output}"
    COMMAND "${CMAKE_COMMAND}" -DGZIP=${DSCDMA_GZIP} -DINPUT=${source} -DOUTPUT=${output}
            -P "${PROJECT_SOURCE_DIR}/cmake/CompressDoc.cmake"
    DEPENDS "${source}" "${PROJECT_SOURCE_DIR}/cmake/CompressDoc.cmake"
    VERBATIM)
  add_custom_target(${target} ALL DEPENDS "${output}")
endfunction()

# dscdma_install_program(<target>)
# Installs a program to bin/ with its manual page, converted from docs/man/<target>.1.scd at build
# time. Every installed program has one; the package's metadata lists every program as provided.
function(dscdma_install_program target)
  get_property(listed GLOBAL PROPERTY DSCDMA_INSTALL_LISTS_READ)
  if(listed)
    message(FATAL_ERROR "dscdma_install_program(${target}) comes after packaging/ read the list of "
                        "programs: add its folder before packaging/ in the top CMakeLists.txt.")
  endif()
  set(source "${PROJECT_SOURCE_DIR}/docs/man/${target}.1.scd")
  if(NOT EXISTS "${source}")
    message(FATAL_ERROR "${target} is installed but has no manual page: write docs/man/${target}.1.scd")
  endif()
  set(page "${PROJECT_BINARY_DIR}/man/${target}.1.gz")
  add_custom_command(
    OUTPUT "${page}"
    COMMAND "${CMAKE_COMMAND}" -DSCDOC=${DSCDMA_SCDOC} -DGZIP=${DSCDMA_GZIP} -DINPUT=${source} -DOUTPUT=${page}
            -P "${PROJECT_SOURCE_DIR}/cmake/CompressDoc.cmake"
    DEPENDS "${source}" "${PROJECT_SOURCE_DIR}/cmake/CompressDoc.cmake"
    COMMENT "Manual page ${target}(1)"
    VERBATIM)
  add_custom_target(${target}_manual ALL DEPENDS "${page}")
  install(TARGETS ${target} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  install(FILES "${page}" DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
  set_property(GLOBAL APPEND PROPERTY DSCDMA_INSTALLED_PROGRAMS ${target})
endfunction()

# dscdma_install_data(<file>...)
# Installs files the program reads at run time to share/dscdma/.
function(dscdma_install_data)
  get_property(listed GLOBAL PROPERTY DSCDMA_INSTALL_LISTS_READ)
  if(listed AND ARGN)
    message(FATAL_ERROR "dscdma_install_data comes after packaging/ read the list of data files: "
                        "add its folder before packaging/ in the top CMakeLists.txt.")
  endif()
  foreach(file IN LISTS ARGN)
    get_filename_component(path "${file}" ABSOLUTE)
    get_filename_component(name "${file}" NAME)
    install(FILES "${path}" DESTINATION ${CMAKE_INSTALL_DATADIR}/dscdma)
    set_property(GLOBAL APPEND PROPERTY DSCDMA_INSTALLED_DATA ${name})
  endforeach()
endfunction()
