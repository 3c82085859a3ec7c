// Registers the components this suite ships under their registered names.
#include "registro_componentes.h"

#include "componentes.h"
#include "vmcli.h"
#include "vtwain.h"

void registrarComponentesSuite() {
    // One line per component; the names are the ones the screens ask for.
    Componentes::registrar(QStringLiteral("VMTwain.vTwain"), [] { return new vTwain; });
    registrarClientes();
}
