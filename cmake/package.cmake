# The release package for setup authors (CPack, ZIP):
#   bin/      Quillset.exe, Ombrel.dll
#   include/  ombrel.h
#   lib/      Ombrel.def, libombrel.dll.a (mingw), Ombrel.lib (MSVC's linker)
#   doc/      README.md for setup authors, the kit's licence and those of the
#             runtimes linked statically into both files
set(KIT_PACKAGE_STAGE ${CMAKE_BINARY_DIR}/package-stage)

# The callers' .def comes from the DLL's own export list: each stdcall name
# with its ordinal. dlltool -k makes from it an import library whose symbols
# carry the @12 of a WINAPI declaration and whose import names are plain, as
# the DLL exports them; the same archive format is what MSVC's linker takes.
file(STRINGS ${CMAKE_SOURCE_DIR}/utility/Ombrel.def export_lines REGEX "=.*@[0-9]+[ \t]+@[0-9]+")
set(caller_def "; Ombrel.dll's exports for callers: WINAPI names with their ordinals.\nLIBRARY \"Ombrel.dll\"\nEXPORTS\n")
foreach(line IN LISTS export_lines)
  string(REGEX REPLACE "^[ \t]*[A-Za-z_][A-Za-z0-9_]*[ \t]*=[ \t]*([A-Za-z_][A-Za-z0-9_]*@[0-9]+)[ \t]+(@[0-9]+).*$"
    "\\1 \\2" entry "${line}")
  string(APPEND caller_def "${entry}\n")
endforeach()
file(WRITE ${KIT_PACKAGE_STAGE}/lib/Ombrel.def "${caller_def}")

foreach(import_lib libombrel.dll.a Ombrel.lib)
  add_custom_command(OUTPUT ${KIT_PACKAGE_STAGE}/lib/${import_lib}
    COMMAND ${CMAKE_DLLTOOL} -k -d Ombrel.def -D Ombrel.dll -l ${import_lib}
    WORKING_DIRECTORY ${KIT_PACKAGE_STAGE}/lib
    DEPENDS ${KIT_PACKAGE_STAGE}/lib/Ombrel.def)
  list(APPEND KIT_IMPORT_LIBS ${KIT_PACKAGE_STAGE}/lib/${import_lib})
endforeach()
add_custom_target(ombrel_import_libs ALL DEPENDS ${KIT_IMPORT_LIBS})

# The setup authors' README: its own text, then the sections "For setup
# authors", the Windows versions and the limits table of the project's
# README, so that each is written once.
file(READ ${CMAKE_SOURCE_DIR}/README.md project_readme)
function(kit_readme_section heading out)
  string(FIND "${project_readme}" "\n## ${heading}\n" start)
  if(start EQUAL -1)
    message(FATAL_ERROR "README.md has no section '${heading}'")
  endif()
  string(SUBSTRING "${project_readme}" ${start} -1 rest)
  string(SUBSTRING "${rest}" 1 -1 rest)
  string(FIND "${rest}" "\n## " end)
  string(SUBSTRING "${rest}" 0 ${end} section)
  set(${out} "${section}" PARENT_SCOPE)
endfunction()
kit_readme_section("For setup authors" authors_section)
kit_readme_section("Windows versions and install paths" versions_section)
kit_readme_section("Limits and what happens past them" limits_section)
file(READ ${CMAKE_SOURCE_DIR}/doc/README.md authors_readme)
file(WRITE ${KIT_PACKAGE_STAGE}/doc/README.md
  "${authors_readme}\n${authors_section}\n${versions_section}\n${limits_section}")
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS
  ${CMAKE_SOURCE_DIR}/README.md ${CMAKE_SOURCE_DIR}/doc/README.md ${CMAKE_SOURCE_DIR}/utility/Ombrel.def)

install(PROGRAMS $<TARGET_FILE:Quillset> $<TARGET_FILE:Ombrel> DESTINATION bin)
install(FILES ${CMAKE_SOURCE_DIR}/include/ombrel.h DESTINATION include)
install(FILES ${KIT_PACKAGE_STAGE}/lib/Ombrel.def ${KIT_IMPORT_LIBS} DESTINATION lib)
install(FILES ${KIT_PACKAGE_STAGE}/doc/README.md ${CMAKE_SOURCE_DIR}/LICENSE ${CMAKE_SOURCE_DIR}/doc/LICENSES.md
  DESTINATION doc)
# The runtimes' own licence texts, as Debian ships them with the compiler.
install(FILES /usr/share/doc/gcc-mingw-w64-base/copyright DESTINATION doc/licenses RENAME gcc-runtime.txt)
install(FILES /usr/share/doc/mingw-w64-common/copyright DESTINATION doc/licenses RENAME mingw-w64-runtime.txt)

set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_NAME quillset-kit)
set(CPACK_PACKAGE_VENDOR "${KIT_COMPANY_NAME}")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_FILE_NAME quillset-kit-${PROJECT_VERSION}-win32)
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY OFF)
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR})
include(CPack)
