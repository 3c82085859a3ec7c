# The suite's sources are compiled once, into object libraries named after their folder
# (vdbglob, vmexp, vmcomponentes); the tests and benchmarks link those objects and reach
# every internal class. A host gets the shared library made from the same objects,
# lib<name>.so, which exports only what include/vmexp marks VMEXP_EXPORT.
function(vmexp_biblioteca nombre)
  add_library(lib${nombre} SHARED)
  add_library(VMEXP::${nombre} ALIAS lib${nombre})
  target_link_libraries(lib${nombre} PRIVATE ${nombre} PUBLIC Qt6::Widgets Qt6::Sql)
  target_include_directories(lib${nombre} INTERFACE
    $<BUILD_INTERFACE:${PROJECT_SOURCE_DIR}/include>
    $<INSTALL_INTERFACE:${CMAKE_INSTALL_INCLUDEDIR}>)
  # $ORIGIN: the libraries of one install find each other wherever its prefix is.
  set_target_properties(lib${nombre} PROPERTIES
    OUTPUT_NAME ${nombre} EXPORT_NAME ${nombre}
    VERSION ${PROJECT_VERSION} SOVERSION ${PROJECT_VERSION_MAJOR}
    INSTALL_RPATH "$ORIGIN")
  # A symbol another library of the suite needs but nobody exports fails here, not in a host.
  target_link_options(lib${nombre} PRIVATE -Wl,--no-undefined -Wl,--as-needed)
endfunction()
