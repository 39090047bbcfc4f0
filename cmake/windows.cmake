# Windows build: the two deliverables, statically linked against the C and
# C++ runtimes so that each imports only system DLLs.
set(KIT_STATIC_RUNTIME -static -static-libgcc -static-libstdc++)

set(WINSPOOL_ORDINAL_LIB ${CMAKE_BINARY_DIR}/libwinspool_ordinal.a)
add_custom_command(OUTPUT ${WINSPOOL_ORDINAL_LIB}
  COMMAND ${CMAKE_DLLTOOL} -d ${CMAKE_SOURCE_DIR}/cmake/winspool_ordinal.def -l ${WINSPOOL_ORDINAL_LIB}
  DEPENDS ${CMAKE_SOURCE_DIR}/cmake/winspool_ordinal.def)
add_custom_target(winspool_ordinal DEPENDS ${WINSPOOL_ORDINAL_LIB})

add_executable(Quillset WIN32 ${KIT_INSTALLER_SOURCES} ${KIT_COMMON_SOURCES})
add_dependencies(Quillset winspool_ordinal)
target_compile_options(Quillset PRIVATE ${KIT_PRODUCT_FLAGS})
target_link_options(Quillset PRIVATE ${KIT_STATIC_RUNTIME})
target_link_libraries(Quillset PRIVATE ${WINSPOOL_ORDINAL_LIB} winspool setupapi advapi32 shell32 user32)
set_target_properties(Quillset PROPERTIES OUTPUT_NAME Quillset RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})

if(KIT_UTILITY_SOURCES)
  add_library(Ombrel SHARED ${KIT_UTILITY_SOURCES} ${KIT_COMMON_SOURCES} ${CMAKE_SOURCE_DIR}/utility/Ombrel.def)
  set_target_properties(Ombrel PROPERTIES PREFIX "" OUTPUT_NAME Ombrel RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})
  target_compile_options(Ombrel PRIVATE ${KIT_PRODUCT_FLAGS})
  target_link_options(Ombrel PRIVATE ${KIT_STATIC_RUNTIME} -Wl,--kill-at)
  target_link_libraries(Ombrel PRIVATE winspool shell32 user32 advapi32)
endif()

enable_testing()
add_subdirectory(tests/windows)

# The cabinet benchmark's Windows side (bench/wine_cabinet_bench.sh).
add_executable(cab_iterate ${CMAKE_SOURCE_DIR}/bench/windows/cab_iterate.c)
target_link_libraries(cab_iterate PRIVATE setupapi)
target_link_options(cab_iterate PRIVATE -static-libgcc)
set_target_properties(cab_iterate PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bench)
