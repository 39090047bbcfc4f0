# Host (Linux) build: the kit's sources against the simulated Windows system.
find_package(SQLite3 REQUIRED)
find_package(Threads REQUIRED)
find_path(MSPACK_INCLUDE_DIR mspack.h REQUIRED)
find_library(MSPACK_LIBRARY mspack REQUIRED)

file(GLOB WINSIM_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/platform/winsim/*.cc)
list(FILTER WINSIM_SOURCES EXCLUDE REGEX "/exe_main\\.cc$")
# The core driver files' cabinet that a fresh Windows 2000, XP or Server 2003
# holds, packed by gcab at build time and compiled into winsim.
find_program(GCAB_PROGRAM gcab REQUIRED)  # Debian package: gcab
set(WINSIM_GENERATED_DIR ${CMAKE_BINARY_DIR}/generated)
add_executable(make_driver_cab ${CMAKE_SOURCE_DIR}/platform/winsim/cabmaker/make_driver_cab.cc
  ${CMAKE_SOURCE_DIR}/platform/winsim/core_driver_files.cc)
add_custom_command(OUTPUT ${WINSIM_GENERATED_DIR}/driver_cab_data.cc
  COMMAND make_driver_cab ${WINSIM_GENERATED_DIR}
  DEPENDS make_driver_cab
  COMMENT "Packing the core driver files' stand-ins into driver.cab" VERBATIM)
add_library(winsim_platform STATIC ${WINSIM_SOURCES} ${WINSIM_GENERATED_DIR}/driver_cab_data.cc)
target_include_directories(winsim_platform PUBLIC ${MSPACK_INCLUDE_DIR})
target_link_libraries(winsim_platform PUBLIC SQLite::SQLite3 ${MSPACK_LIBRARY} ${CMAKE_DL_LIBS} Threads::Threads)
target_compile_options(winsim_platform PRIVATE ${KIT_PRODUCT_FLAGS})
target_compile_definitions(winsim_platform PRIVATE
  KIT_OMBREL_DEFAULT_PATH="${CMAKE_BINARY_DIR}/libombrel.so"
  KIT_PRINTUI_DEFAULT_PATH="${CMAKE_BINARY_DIR}/winsim-printui")

# The simulated printer UI, which winsim's ShellExecuteA starts for
# "<System>\rundll32.exe printui.dll,PrintUIEntry ...": its parts as a
# library (for the unit tests) and the winsim-printui program.
add_library(winsim_printui_core STATIC ${KIT_PRINTUI_SOURCES}
  ${CMAKE_SOURCE_DIR}/tools/winsim-printui/host/make_folder.cc)
target_link_libraries(winsim_printui_core PUBLIC winsim_platform)
target_compile_options(winsim_printui_core PRIVATE ${KIT_PRODUCT_FLAGS})
add_executable(winsim_printui ${CMAKE_SOURCE_DIR}/tools/winsim-printui/main.cc)
set_target_properties(winsim_printui PROPERTIES OUTPUT_NAME winsim-printui
  RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})
target_link_libraries(winsim_printui PRIVATE winsim_printui_core)
target_compile_options(winsim_printui PRIVATE ${KIT_PRODUCT_FLAGS})

add_library(kit_common STATIC ${KIT_COMMON_SOURCES})
target_link_libraries(kit_common PUBLIC winsim_platform)
target_compile_options(kit_common PRIVATE ${KIT_PRODUCT_FLAGS})

add_library(quillset_core STATIC ${KIT_INSTALLER_SOURCES})
target_link_libraries(quillset_core PUBLIC kit_common)
target_compile_options(quillset_core PRIVATE ${KIT_PRODUCT_FLAGS})

add_executable(quillset ${CMAKE_SOURCE_DIR}/platform/winsim/exe_main.cc)
target_link_libraries(quillset PRIVATE quillset_core)
add_dependencies(quillset winsim_printui)  # the signed path starts it

# The utility library: a static form for the unit tests and libombrel.so,
# whose exported names come from the same .def file as Ombrel.dll's.
if(KIT_UTILITY_SOURCES)
  add_library(kit_utility STATIC ${KIT_UTILITY_SOURCES})
  target_link_libraries(kit_utility PUBLIC kit_common)
  target_compile_options(kit_utility PRIVATE ${KIT_PRODUCT_FLAGS})

  file(STRINGS ${CMAKE_SOURCE_DIR}/utility/Ombrel.def OMBREL_DEF_LINES REGEX "^[ \t]+[A-Za-z]")
  set(OMBREL_MAP "{\n  global:\n")
  foreach(line IN LISTS OMBREL_DEF_LINES)
    string(REGEX MATCH "[A-Za-z_][A-Za-z0-9_]*" export_name "${line}")
    string(APPEND OMBREL_MAP "    ${export_name};\n")
  endforeach()
  string(APPEND OMBREL_MAP "  local: *;\n};\n")
  file(WRITE ${CMAKE_BINARY_DIR}/ombrel.map "${OMBREL_MAP}")

  add_library(ombrel_lib SHARED ${KIT_UTILITY_SOURCES})
  set_target_properties(ombrel_lib PROPERTIES OUTPUT_NAME ombrel
    LIBRARY_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})
  target_link_libraries(ombrel_lib PRIVATE kit_common)
  target_compile_options(ombrel_lib PRIVATE ${KIT_PRODUCT_FLAGS})
  target_link_options(ombrel_lib PRIVATE -Wl,--version-script=${CMAKE_BINARY_DIR}/ombrel.map)
endif()

foreach(tool winsim ombrel)
  file(GLOB tool_sources CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tools/${tool}/*.cc)
  if(tool_sources)
    add_executable(${tool}_tool ${tool_sources})
    target_compile_definitions(${tool}_tool PRIVATE KIT_VERSION="${PROJECT_VERSION}")
    set_target_properties(${tool}_tool PROPERTIES OUTPUT_NAME ${tool}
      RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})
  endif()
endforeach()
set_target_properties(quillset PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})

# kitcheck runs the real host installer beside it and reads the INF through
# the installer's own functions.
file(GLOB KITCHECK_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tools/kitcheck/*.cc)
list(FILTER KITCHECK_SOURCES EXCLUDE REGEX "/main\\.cc$")
add_library(kitcheck_core STATIC ${KITCHECK_SOURCES})
target_link_libraries(kitcheck_core PUBLIC quillset_core)
add_executable(kitcheck_tool ${CMAKE_SOURCE_DIR}/tools/kitcheck/main.cc)
target_link_libraries(kitcheck_tool PRIVATE kitcheck_core)
set_target_properties(kitcheck_tool PROPERTIES OUTPUT_NAME kitcheck
  RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})
add_dependencies(kitcheck_tool quillset)
target_link_libraries(winsim_tool PRIVATE winsim_platform)
if(TARGET ombrel_tool)
  target_link_libraries(ombrel_tool PRIVATE ${CMAKE_DL_LIBS})
  target_compile_definitions(ombrel_tool PRIVATE
    KIT_OMBREL_DEFAULT_PATH="${CMAKE_BINARY_DIR}/libombrel.so")
  add_dependencies(ombrel_tool ombrel_lib)
endif()

include(${CMAKE_SOURCE_DIR}/cmake/host_package.cmake)

include(CTest)
if(KIT_FUZZ)
  # The fuzz build runs only the fuzz targets; the other tests run in the
  # host and host-asan builds.
  add_subdirectory(fuzz)
else()
  add_subdirectory(tests)
endif()
add_subdirectory(bench)
