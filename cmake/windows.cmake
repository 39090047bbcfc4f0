# Windows build: the two deliverables, statically linked against the C and
# C++ runtimes so that each imports only system DLLs.
enable_language(RC)
set(KIT_STATIC_RUNTIME -static -static-libgcc -static-libstdc++)

# Linked for size: every function and datum in its own section so that the
# linker drops what nothing calls, no unwind tables (nothing throws), and no
# symbols. platform/windows/ keeps libstdc++'s exception machinery and
# mingw-w64's own printf out of the link.
set(KIT_SIZE_COMPILE -ffunction-sections -fdata-sections -fno-asynchronous-unwind-tables -fno-unwind-tables)
set(KIT_SIZE_LINK -Wl,--gc-sections -s)
file(GLOB KIT_WINDOWS_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/platform/windows/*.cc)

# Delay-import libraries of the DLLs that are not KnownDLLs on every Windows
# the kit supports; platform/windows/system_libraries.cc loads them by their
# full path in the system directory. ld's --gc-sections does not follow the
# delay import address table to the stub of a function that is only called
# through it (a dllimport declaration, as setupapi.h makes): it drops the stub
# and leaves a null entry. Every function of the .def is therefore named as an
# undefined symbol, which keeps its stub.
function(kit_delay_import_library name)
  set(def ${CMAKE_SOURCE_DIR}/cmake/${name}.def)
  set(lib ${CMAKE_BINARY_DIR}/lib${name}_delay.a)
  # Run in the build folder: dlltool names the library's symbols after the
  # path it is given.
  add_custom_command(OUTPUT ${lib}
    COMMAND ${CMAKE_DLLTOOL} -k -d ${def} -y lib${name}_delay.a
    WORKING_DIRECTORY ${CMAKE_BINARY_DIR}
    DEPENDS ${def})
  add_custom_target(${name}_delay DEPENDS ${lib})
  file(STRINGS ${def} functions REGEX "^[A-Za-z_][A-Za-z0-9_]*@[0-9]+")
  set(keep "")
  foreach(line IN LISTS functions)
    string(REGEX MATCH "^[A-Za-z_][A-Za-z0-9_]*@[0-9]+" function "${line}")
    list(APPEND keep "-Wl,--undefined=_${function}")
  endforeach()
  set(KIT_DELAY_${name} ${lib} PARENT_SCOPE)
  set(KIT_DELAY_KEEP_${name} ${keep} PARENT_SCOPE)
endfunction()
kit_delay_import_library(winspool)
kit_delay_import_library(setupapi)

# One VERSIONINFO template for both files; Quillset.exe also embeds its
# application manifest.
# Resource type 24 is RT_MANIFEST; id 1 is the manifest of a program.
function(kit_version_resource target file_type original_filename description)
  set(KIT_RC_FILETYPE ${file_type})
  set(KIT_RC_ORIGINAL_FILENAME ${original_filename})
  set(KIT_RC_DESCRIPTION ${description})
  set(KIT_RC_INTERNAL_NAME ${target})
  set(KIT_RC_MANIFEST "")
  if(file_type STREQUAL "VFT_APP")
    set(manifest ${CMAKE_BINARY_DIR}/${target}.manifest)
    configure_file(${CMAKE_SOURCE_DIR}/platform/windows/${target}.manifest.in ${manifest} @ONLY)
    set(KIT_RC_MANIFEST "1 24 \"${manifest}\"")
  endif()
  set(rc ${CMAKE_BINARY_DIR}/${target}_version.rc)
  configure_file(${CMAKE_SOURCE_DIR}/platform/windows/version.rc.in ${rc} @ONLY)
  target_sources(${target} PRIVATE ${rc})
  if(manifest)
    set_source_files_properties(${rc} PROPERTIES OBJECT_DEPENDS ${manifest})
  endif()
endfunction()

# Prints the stripped size of a deliverable against its goal after each link.
function(kit_report_size target goal_kib)
  add_custom_command(TARGET ${target} POST_BUILD
    COMMAND ${CMAKE_COMMAND} -DFILE=$<TARGET_FILE:${target}> -DGOAL_KIB=${goal_kib}
      -P ${CMAKE_SOURCE_DIR}/cmake/report_size.cmake
    VERBATIM)
endfunction()
set(KIT_QUILLSET_GOAL_KIB 128)
set(KIT_OMBREL_GOAL_KIB 96)

function(kit_deliverable target)
  target_sources(${target} PRIVATE ${KIT_COMMON_SOURCES} ${KIT_WINDOWS_SOURCES})
  target_compile_options(${target} PRIVATE ${KIT_PRODUCT_FLAGS} ${KIT_SIZE_COMPILE})
  target_link_options(${target} PRIVATE ${KIT_STATIC_RUNTIME} ${KIT_SIZE_LINK})
  set_target_properties(${target} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})
endfunction()

add_executable(Quillset WIN32 ${KIT_INSTALLER_SOURCES}
               ${CMAKE_SOURCE_DIR}/platform/windows/quillset/dll_search_order.cc)
kit_deliverable(Quillset)
# On a terminal server in application mode a program without this flag gets
# a private Windows directory, and the uninstall's test that the INF copy is
# inside <Windows>\INF would then refuse to delete it.
target_link_options(Quillset PRIVATE -Wl,--tsaware)
add_dependencies(Quillset winspool_delay setupapi_delay)
target_link_libraries(Quillset PRIVATE ${KIT_DELAY_winspool} ${KIT_DELAY_setupapi} advapi32 shell32 user32)
target_link_options(Quillset PRIVATE ${KIT_DELAY_KEEP_winspool} ${KIT_DELAY_KEEP_setupapi})
set_target_properties(Quillset PROPERTIES OUTPUT_NAME Quillset)
kit_version_resource(Quillset VFT_APP Quillset.exe "Quillset printer driver installer")
kit_report_size(Quillset ${KIT_QUILLSET_GOAL_KIB})

if(KIT_UTILITY_SOURCES)
  add_library(Ombrel SHARED ${KIT_UTILITY_SOURCES} ${CMAKE_SOURCE_DIR}/utility/Ombrel.def)
  kit_deliverable(Ombrel)
  add_dependencies(Ombrel winspool_delay)
  set_target_properties(Ombrel PROPERTIES PREFIX "" OUTPUT_NAME Ombrel)
  target_link_options(Ombrel PRIVATE -Wl,--kill-at)
  target_link_libraries(Ombrel PRIVATE ${KIT_DELAY_winspool} shell32 user32 advapi32)
  target_link_options(Ombrel PRIVATE ${KIT_DELAY_KEEP_winspool})
  kit_version_resource(Ombrel VFT_DLL Ombrel.dll "Ombrel printer utility library for setup programs")
  kit_report_size(Ombrel ${KIT_OMBREL_GOAL_KIB})
endif()

if(TARGET Ombrel)
  include(cmake/package.cmake)
endif()

enable_testing()
add_subdirectory(tests/windows)

# The cabinet benchmark's Windows side (bench/wine_cabinet_bench.sh).
add_executable(cab_iterate ${CMAKE_SOURCE_DIR}/bench/windows/cab_iterate.c)
target_link_libraries(cab_iterate PRIVATE setupapi)
target_link_options(cab_iterate PRIVATE -static-libgcc)
set_target_properties(cab_iterate PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bench)
