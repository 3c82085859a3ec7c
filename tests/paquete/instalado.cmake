# Installs into a fresh prefix, builds examples/ against it alone, and runs the example
# (search screen shown and closed) and the installed demo host.
include(${CMAKE_CURRENT_LIST_DIR}/comun.cmake)
file(REMOVE_RECURSE ${DIR})
set(prefijo ${DIR}/prefijo)
ejecutar(${CMAKE_COMMAND} --install ${BUILD} --prefix ${prefijo})
foreach(f ${LIBDIR}/libvmexp.so.1 ${LIBDIR}/libvdbglob.so.1 ${LIBDIR}/libvmcomponentes.so.1
          ${LIBDIR}/cmake/VMEXP/VMEXPConfigVersion.cmake ${LIBDIR}/pkgconfig/vmexp.pc
          include/vmexp/vmexpe.h share/vmexp/db/postgres.sql bin/expedientes)
  if(NOT EXISTS ${prefijo}/${f})
    message(FATAL_ERROR "No se ha instalado ${f}")
  endif()
endforeach()
# The internal headers stay in the source tree.
if(EXISTS ${prefijo}/include/vmexp/conexion.h)
  message(FATAL_ERROR "Se ha instalado una cabecera interna")
endif()

ejecutar(${CMAKE_COMMAND} -S ${EJEMPLO} -B ${DIR}/ejemplo -DCMAKE_PREFIX_PATH=${prefijo}
         -DCMAKE_BUILD_TYPE=Release -DCMAKE_CXX_COMPILER_LAUNCHER=${LANZADOR})
ejecutar(${CMAKE_COMMAND} --build ${DIR}/ejemplo)
ejecutar(${DIR}/ejemplo/anfitrion ${DIR}/datos --cerrar)
ejecutar(${prefijo}/bin/expedientes --help)

# pkg-config's paths lead to the installed files, wherever the prefix is.
set(ENV{PKG_CONFIG_PATH} ${prefijo}/${LIBDIR}/pkgconfig)
foreach(variable includedir libdir)
  ejecutar(pkg-config --variable=${variable} vmexp)
  string(STRIP "${SALIDA}" ${variable})
endforeach()
if(NOT EXISTS ${includedir}/vmexp/vmexpe.h OR NOT EXISTS ${libdir}/libvmexp.so)
  message(FATAL_ERROR "pkg-config no lleva a los ficheros instalados: ${includedir} ${libdir}")
endif()
