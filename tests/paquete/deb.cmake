# Builds the .deb as `make package` does and checks what it holds; the demo host taken
# out of it runs with the libraries beside it.
include(${CMAKE_CURRENT_LIST_DIR}/comun.cmake)
file(REMOVE_RECURSE ${DIR})
ejecutar(cpack --config ${BUILD}/CPackConfig.cmake -B ${DIR})
file(GLOB deb ${DIR}/*.deb)
ejecutar(dpkg-deb -c ${deb})
comprobar_contiene("${SALIDA}" ./usr/bin/expedientes ./usr/lib/libvmexp.so.1 ./usr/lib/libvdbglob.so.1
  ./usr/lib/libvmcomponentes.so.1 ./usr/share/applications/expedientes.desktop
  ./usr/share/icons/hicolor/scalable/apps/expedientes.svg ./usr/share/vmexp/db/empresa.sql
  ./usr/share/vmexp/db/postgres.sql ./usr/include/vmexp/vmexpe.h ./usr/lib/cmake/VMEXP/VMEXPConfig.cmake)
ejecutar(dpkg-deb -f ${deb} Depends)
comprobar_contiene("${SALIDA}" libqt6widgets6 libqt6sql6-sqlite)
ejecutar(dpkg-deb -x ${deb} ${DIR}/raiz)
ejecutar(${DIR}/raiz/usr/bin/expedientes --help)
