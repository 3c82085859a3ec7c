// Form utilities: colours, key filters and formats of text fields, and the
// search-by-name dialog over the demo database.
#include "basedatos.h"
#include "buscarpornombre.h"
#include "conexion.h"
#include "cutilidades.h"
#include "dialogos.h"

#include <QAbstractItemModelTester>
#include <QElapsedTimer>
#include <QHeaderView>
#include <QLineEdit>
#include <QTableView>
#include <QTemporaryDir>
#include <QVBoxLayout>
#include <QtTest>

#include <functional>
#include <memory>

namespace {
enum class Tipo { Texto, Fecha, Importe };

const QString kSep(QChar(1));

QString unir(const QStringList &partes) { return partes.join(kSep); }

// What a screen does with its text fields: focus and typed characters go through
// the utility object. A refused key never reaches the field; a changed one arrives
// as the new character.
class Pantalla : public QObject {
public:
    Pantalla(CUtilidades &u) : m_u(u) {}

    void atender(QLineEdit *campo, Tipo tipo, const QString &formato = {}) {
        m_campos.insert(campo, {tipo, formato});
        if (tipo == Tipo::Importe)
            m_u.setCampoImporte(campo);
        campo->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject *o, QEvent *e) override {
        auto *campo = qobject_cast<QLineEdit *>(o);
        if (!campo || !m_campos.contains(campo))
            return false;
        const auto [tipo, formato] = m_campos.value(campo);
        switch (e->type()) {
        case QEvent::FocusIn:
            m_u.EntrarCampo(campo, QString());
            return false;
        case QEvent::FocusOut:
            m_u.SalirCampo(campo, QString());
            if (!campo->text().isEmpty() && !formato.isEmpty())
                m_u.SalirCampo(campo, formato);
            return false;
        case QEvent::KeyPress: {
            auto *k = static_cast<QKeyEvent *>(e);
            if (m_reenviando || k->text().isEmpty())
                return false;
            int keyAscii = k->text().at(0).unicode();
            const int original = keyAscii;
            m_u.TeclaCampo(campo, keyAscii, tipo == Tipo::Fecha);
            if (keyAscii == 0)
                return true;
            if (keyAscii == original)
                return false;
            const QChar nuevo{char16_t(keyAscii)};
            QKeyEvent cambiada(QEvent::KeyPress, nuevo.toUpper().unicode(), k->modifiers(), QString(nuevo));
            m_reenviando = true;
            QCoreApplication::sendEvent(campo, &cambiada);
            m_reenviando = false;
            return true;
        }
        default:
            return false;
        }
    }

private:
    struct Campo {
        Tipo tipo;
        QString formato;
    };
    CUtilidades &m_u;
    QHash<QLineEdit *, Campo> m_campos;
    bool m_reenviando = false;
};

// Lets the test work the dialog while it is "modal", then reports how it closed.
class ServicioPrueba : public DialogService {
public:
    std::function<void(QDialog *)> accion;
    int abiertos = 0;
    QStringList mensajes;

    int mensaje(const QString &texto, int, const QString &) override {
        mensajes << texto;
        return vb::vbOK;
    }
    QString pedirTexto(const QString &, const QString &, const QString &) override { return {}; }
    RespuestaFichero pedirFichero(const PeticionFichero &) override { return {}; }
    int abrirModal(QDialog *pantalla) override {
        ++abiertos;
        pantalla->show();
        if (accion)
            accion(pantalla);
        return pantalla->result();
    }
    int abrirConEscritorio(const QString &) override { return 3; }
};

QLineEdit *buscador(QDialog *d) { return d->findChild<QLineEdit *>(QStringLiteral("txtBuscar")); }
QTableView *rejilla(QDialog *d) { return d->findChild<QTableView *>(QStringLiteral("grdResultados")); }
} // namespace

Q_DECLARE_METATYPE(Tipo)

class TstCUtilidades : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void colorDesdeNumero_data();
    void colorDesdeNumero();
    void entrarCampoFecha_data();
    void entrarCampoFecha();
    void teclas_data();
    void teclas();
    void teclaCodigo_data();
    void teclaCodigo();
    void salirCampo_data();
    void salirCampo();
    void decimalesDeFormato_data();
    void decimalesDeFormato();
    void formularioConFoco();

    void buscar_data();
    void buscar();
    void buscarPresentacion_data();
    void buscarPresentacion();
    void buscarConFlechas();
    void buscarDobleClic();
    void buscarSinResultadosYEscape();
    void buscarSentenciaErronea();
    void buscarCienMilFilas();

private:
    void abrirBase();

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<Conexion> m_conexion;
    QString m_nombreConexion;
    ServicioPrueba m_servicio;
    int m_bases = 0;
};

void TstCUtilidades::initTestCase() {
    QLocale::setDefault(QLocale(QLocale::Spanish, QLocale::Spain));
}

void TstCUtilidades::init() {
    m_servicio = ServicioPrueba();
    DialogService::instalar(&m_servicio);
}

void TstCUtilidades::cleanup() {
    DialogService::instalar(nullptr);
    QLocale::setDefault(QLocale(QLocale::Spanish, QLocale::Spain));
    m_conexion.reset();
    if (!m_nombreConexion.isEmpty()) {
        QSqlDatabase::removeDatabase(m_nombreConexion);
        m_nombreConexion.clear();
    }
    m_dir.reset();
}

void TstCUtilidades::abrirBase() {
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    QString error;
    QVERIFY2(BaseDatos::crear(m_dir->path(), true, &error), qPrintable(error));
    m_nombreConexion = QStringLiteral("tst_cutilidades_%1").arg(++m_bases);
    QSqlDatabase db = BaseDatos::abrir(m_dir->path(), m_nombreConexion, &error);
    QVERIFY2(db.isOpen(), qPrintable(error));
    m_conexion = std::make_unique<Conexion>(db);
}

// ---------------------------------------------------------------- colours

void TstCUtilidades::colorDesdeNumero_data() {
    QTest::addColumn<double>("numero");
    QTest::addColumn<QColor>("color");
    QTest::newRow("amarillo") << 65535.0 << QColor(255, 255, 0);
    QTest::newRow("blanco") << 16777215.0 << QColor(255, 255, 255);
    QTest::newRow("mezcla") << double(0x402010) << QColor(0x10, 0x20, 0x40);
    QTest::newRow("negro") << 0.0 << QColor(0, 0, 0);
}

void TstCUtilidades::colorDesdeNumero() {
    QFETCH(double, numero);
    QFETCH(QColor, color);
    QCOMPARE(CUtilidades::colorDesdeNumero(numero), color);
}

// ---------------------------------------------------------------- key filters

void TstCUtilidades::entrarCampoFecha_data() {
    QTest::addColumn<int>("marca"); // 0 none, 1 setCampoFecha, 2 a key through TeclaCampo as a date
    QTest::addColumn<QString>("formato");
    QTest::addColumn<QString>("texto");
    QTest::addColumn<QString>("esperado");
    QTest::newRow("campo de texto") << 0 << QString() << "05/03/2024" << "05/03/2024";
    QTest::newRow("marcado como fecha") << 1 << QString() << "05/03/2024" << "05032024";
    QTest::newRow("tecleado como fecha") << 2 << QString() << "05/03/2024" << "05032024";
    QTest::newRow("formato de fecha") << 0 << "dd/mm/yyyy" << "05/03/2024" << "05032024";
    QTest::newRow("no es una fecha mostrada") << 1 << QString() << "5/3/24" << "5/3/24";
    QTest::newRow("ya en cifras") << 1 << QString() << "05032024" << "05032024";
}

void TstCUtilidades::entrarCampoFecha() {
    QFETCH(int, marca);
    QFETCH(QString, formato);
    QFETCH(QString, texto);
    QFETCH(QString, esperado);
    CUtilidades u;
    QLineEdit campo;
    if (marca == 1)
        u.setCampoFecha(&campo);
    if (marca == 2) {
        int tecla = '1';
        u.TeclaCampo(&campo, tecla, true);
    }
    campo.setText(texto);
    u.EntrarCampo(&campo, formato);
    QCOMPARE(campo.text(), esperado);
}

void TstCUtilidades::teclas_data() {
    QTest::addColumn<QString>("locale");
    QTest::addColumn<Tipo>("tipo");
    QTest::addColumn<QString>("inicial");
    QTest::addColumn<int>("cursor"); // -1 selects all the text
    QTest::addColumn<QString>("teclas");
    QTest::addColumn<QString>("esperado");
    const QString es = QStringLiteral("es_ES");
    QTest::newRow("texto: todo pasa") << es << Tipo::Texto << "" << 0 << "a.b,-/9 x" << "a.b,-/9 x";
    QTest::newRow("fecha: cifras y barra") << es << Tipo::Fecha << "" << 0 << "12a03/2024-x." << "1203/2024";
    QTest::newRow("importe: punto es decimal") << es << Tipo::Importe << "" << 0 << "-12a34.5,6" << "-1234,56";
    QTest::newRow("importe: un solo separador") << es << Tipo::Importe << "" << 0 << "5,5.5" << "5,55";
    QTest::newRow("importe: menos solo al principio") << es << Tipo::Importe << "" << 0 << "12-3" << "123";
    QTest::newRow("importe: un solo menos") << es << Tipo::Importe << "" << 0 << "--5" << "-5";
    QTest::newRow("importe: borrar la coma deja poner otra")
        << es << Tipo::Importe << "" << 0 << "1,\b.5" << "1,5";
    QTest::newRow("importe: la seleccion se reemplaza") << es << Tipo::Importe << "12,5" << -1 << ",7" << ",7";
    QTest::newRow("importe: menos sobre la seleccion") << es << Tipo::Importe << "-3" << -1 << "-4" << "-4";
    QTest::newRow("importe: nada delante del signo") << es << Tipo::Importe << "-5" << 0 << "3,-" << "-5";
    QTest::newRow("importe: menos con el cursor al principio") << es << Tipo::Importe << "5" << 0 << "-" << "-5";
    QTest::newRow("importe: letras fuera") << es << Tipo::Importe << "" << 0 << "abc 1/e" << "1";
    QTest::newRow("importe en ingles: coma es decimal")
        << QStringLiteral("en_US") << Tipo::Importe << "" << 0 << "1,5.2" << "1.52";
}

void TstCUtilidades::teclas() {
    QFETCH(QString, locale);
    QFETCH(Tipo, tipo);
    QFETCH(QString, inicial);
    QFETCH(int, cursor);
    QFETCH(QString, teclas);
    QFETCH(QString, esperado);
    QLocale::setDefault(QLocale(locale));
    CUtilidades u;
    Pantalla pantalla(u);
    QLineEdit campo;
    pantalla.atender(&campo, tipo);
    campo.setText(inicial);
    if (cursor < 0)
        campo.selectAll();
    else
        campo.setCursorPosition(cursor);
    QTest::keyClicks(&campo, teclas);
    QCOMPARE(campo.text(), esperado);
}

void TstCUtilidades::teclaCodigo_data() {
    QTest::addColumn<Tipo>("tipo");
    QTest::addColumn<int>("tecla");
    QTest::addColumn<int>("esperada");
    QTest::newRow("fecha: eñe") << Tipo::Fecha << 241 << 0;
    QTest::newRow("fecha: fuera de rango") << Tipo::Fecha << 0x1F600 << 0;
    QTest::newRow("fecha: intro") << Tipo::Fecha << 13 << 13;
    QTest::newRow("importe: retroceso") << Tipo::Importe << 8 << 8;
    QTest::newRow("importe: pegar") << Tipo::Importe << 22 << 22;
    QTest::newRow("importe: punto") << Tipo::Importe << int('.') << int(',');
    QTest::newRow("importe: a acentuada") << Tipo::Importe << 225 << 0;
    QTest::newRow("texto: eñe") << Tipo::Texto << 241 << 241;
}

void TstCUtilidades::teclaCodigo() {
    QFETCH(Tipo, tipo);
    QFETCH(int, tecla);
    QFETCH(int, esperada);
    CUtilidades u;
    QLineEdit campo;
    if (tipo == Tipo::Importe)
        u.setCampoImporte(&campo);
    u.TeclaCampo(&campo, tecla, tipo == Tipo::Fecha);
    QCOMPARE(tecla, esperada);
}

// ---------------------------------------------------------------- formats on exit

void TstCUtilidades::salirCampo_data() {
    QTest::addColumn<QString>("locale");
    QTest::addColumn<QString>("formato");
    QTest::addColumn<QString>("entrada");
    QTest::addColumn<QString>("esperado");
    QTest::addColumn<bool>("valido");
    const QString es = QStringLiteral("es_ES");
    const QString fecha = QStringLiteral("dd/mm/yyyy");
    const QString dos = QStringLiteral("#,##0.00");
    QTest::newRow("fecha: 8 cifras") << es << fecha << "12032024" << "12/03/2024" << true;
    QTest::newRow("fecha: 6 cifras, 20xx") << es << fecha << "120324" << "12/03/2024" << true;
    QTest::newRow("fecha: 6 cifras, limite 29") << es << fecha << "311229" << "31/12/2029" << true;
    QTest::newRow("fecha: 6 cifras, 19xx") << es << fecha << "010130" << "01/01/1930" << true;
    QTest::newRow("fecha: barras sin ceros") << es << fecha << "1/2/2024" << "01/02/2024" << true;
    QTest::newRow("fecha: guiones y año corto") << es << fecha << "1-2-24" << "01/02/2024" << true;
    QTest::newRow("fecha: puntos") << es << fecha << "7.11.1999" << "07/11/1999" << true;
    QTest::newRow("fecha: ya formateada") << es << fecha << "12/03/2024" << "12/03/2024" << true;
    QTest::newRow("fecha: 29 de febrero bisiesto") << es << fecha << "29022024" << "29/02/2024" << true;
    QTest::newRow("fecha: 31 de febrero") << es << fecha << "31022024" << "31022024" << false;
    QTest::newRow("fecha: 29 de febrero no bisiesto") << es << fecha << "29022023" << "29022023" << false;
    QTest::newRow("fecha: 7 cifras") << es << fecha << "1203202" << "1203202" << false;
    QTest::newRow("fecha: año de 3 cifras") << es << fecha << "1/2/202" << "1/2/202" << false;
    QTest::newRow("fecha: letras") << es << fecha << "mañana" << "mañana" << false;
    QTest::newRow("fecha: vacia") << es << fecha << "" << "" << false;
    QTest::newRow("importe: miles y decimales") << es << dos << "1.234,5" << "1.234,50" << true;
    QTest::newRow("importe: sin miles") << es << dos << "1234,5" << "1.234,50" << true;
    QTest::newRow("importe: punto decimal") << es << dos << "1234.5" << "1.234,50" << true;
    QTest::newRow("importe: punto de miles") << es << dos << "1.234" << "1.234,00" << true;
    QTest::newRow("importe: millones") << es << dos << "1234567,891" << "1.234.567,89" << true;
    QTest::newRow("importe: redondeo hacia arriba") << es << dos << "0,005" << "0,01" << true;
    QTest::newRow("importe: redondeo con acarreo") << es << dos << "999,995" << "1.000,00" << true;
    QTest::newRow("importe: negativo") << es << dos << "-1234,5" << "-1.234,50" << true;
    QTest::newRow("importe: cero negativo") << es << dos << "-0,001" << "0,00" << true;
    QTest::newRow("importe: solo decimales") << es << dos << ",5" << "0,50" << true;
    QTest::newRow("importe: sin decimales") << es << "#,##0." << "1234,5" << "1.235" << true;
    QTest::newRow("importe: tres decimales") << es << "#,##0.000" << "2" << "2,000" << true;
    QTest::newRow("importe: no es numero") << es << dos << "abc" << "abc" << false;
    QTest::newRow("importe: dos comas") << es << dos << "12,3,4" << "12,3,4" << false;
    QTest::newRow("importe: miles mal agrupados") << es << dos << "1.23.4" << "1.23.4" << false;
    QTest::newRow("importe: solo signo") << es << dos << "-" << "-" << false;
    QTest::newRow("importe en ingles: coma decimal") << "en_US" << dos << "1234,5" << "1,234.50" << true;
    QTest::newRow("importe en ingles: coma de miles") << "en_US" << dos << "1,234" << "1,234.00" << true;
    QTest::newRow("sin formato") << es << "" << "1234,5" << "1234,5" << false;
    QTest::newRow("formato desconocido") << es << "0%" << "1234,5" << "1234,5" << false;
}

void TstCUtilidades::salirCampo() {
    QFETCH(QString, locale);
    QFETCH(QString, formato);
    QFETCH(QString, entrada);
    QFETCH(QString, esperado);
    QFETCH(bool, valido);
    QLocale::setDefault(QLocale(locale));
    CUtilidades u;
    QLineEdit campo;
    campo.setText(entrada);
    u.SalirCampo(&campo, formato);
    QCOMPARE(campo.text(), esperado);

    // The helpers say whether the text was read, which SalirCampo keeps to itself.
    bool leido = !valido;
    const int decimales = CUtilidades::decimalesDeFormato(formato);
    if (formato == QLatin1String("dd/mm/yyyy"))
        QCOMPARE(CUtilidades::formatearFecha(entrada, &leido), esperado);
    else if (decimales >= 0)
        QCOMPARE(CUtilidades::formatearImporte(entrada, decimales, &leido), esperado);
    else
        leido = false;
    QCOMPARE(leido, valido);
}

void TstCUtilidades::decimalesDeFormato_data() {
    QTest::addColumn<QString>("formato");
    QTest::addColumn<int>("decimales");
    QTest::newRow("dos") << "#,##0.00" << 2;
    QTest::newRow("ninguno con punto") << "#,##0." << 0;
    QTest::newRow("ninguno sin punto") << "#,##0" << 0;
    QTest::newRow("cuatro") << "#,##0.0000" << 4;
    QTest::newRow("fecha") << "dd/mm/yyyy" << -1;
    QTest::newRow("vacio") << "" << -1;
    QTest::newRow("almohadillas") << "#,##0.##" << -1;
}

void TstCUtilidades::decimalesDeFormato() {
    QFETCH(QString, formato);
    QFETCH(int, decimales);
    QCOMPARE(CUtilidades::decimalesDeFormato(formato), decimales);
}

// A small screen worked with real focus changes, as a user moves through it.
void TstCUtilidades::formularioConFoco() {
    CUtilidades u;
    u.setColorFoco(12632256);  // not the defaults, so the setters count
    u.setColorNormal(8454143);
    QWidget ventana;
    auto *txtFecha = new QLineEdit(&ventana);
    auto *txtImporte = new QLineEdit(&ventana);
    auto *txtNombre = new QLineEdit(&ventana);
    auto *capa = new QVBoxLayout(&ventana);
    for (auto *c : {txtFecha, txtImporte, txtNombre})
        capa->addWidget(c);
    Pantalla pantalla(u);
    pantalla.atender(txtFecha, Tipo::Fecha, QStringLiteral("dd/mm/yyyy"));
    pantalla.atender(txtImporte, Tipo::Importe, QStringLiteral("#,##0.00"));
    pantalla.atender(txtNombre, Tipo::Texto);
    ventana.show();
    QVERIFY(QTest::qWaitForWindowActive(&ventana));

    const QColor foco(0xC0, 0xC0, 0xC0), normal(0xFF, 0xFF, 0x80);
    txtFecha->setFocus();
    QTRY_VERIFY(txtFecha->hasFocus());
    QCOMPARE(txtFecha->palette().color(QPalette::Base), foco);
    QTest::keyClicks(txtFecha, "12x0324");
    QTest::keyClick(txtFecha, Qt::Key_Tab);
    QTRY_VERIFY(txtImporte->hasFocus());
    QCOMPARE(txtFecha->text(), QStringLiteral("12/03/2024"));
    QCOMPARE(txtFecha->palette().color(QPalette::Base), normal);
    QCOMPARE(txtImporte->palette().color(QPalette::Base), foco);

    QTest::keyClicks(txtImporte, "1234.5");
    QCOMPARE(txtImporte->text(), QStringLiteral("1234,5"));
    QTest::keyClick(txtImporte, Qt::Key_Tab);
    QTRY_VERIFY(txtNombre->hasFocus());
    QCOMPARE(txtImporte->text(), QStringLiteral("1.234,50"));
    QCOMPARE(txtImporte->palette().color(QPalette::Base), normal);

    // Back in the date: the slashes go while it is edited.
    txtFecha->setFocus();
    QTRY_VERIFY(txtFecha->hasFocus());
    QCOMPARE(txtFecha->text(), QStringLiteral("12032024"));
    QCOMPARE(txtNombre->palette().color(QPalette::Base), normal);
}

// ---------------------------------------------------------------- search by name

void TstCUtilidades::buscar_data() {
    QTest::addColumn<QString>("sql");
    QTest::addColumn<QString>("columna");
    QTest::addColumn<QString>("tecleado");
    QTest::addColumn<int>("filas");
    QTest::addColumn<QString>("resultado");
    const QString comercial = QStringLiteral("Select CLI_ID,CLI_COD,CLI_COMER FROM CLI ORDER BY CLI_COMER");
    const QString fiscal = QStringLiteral(
        "Select CLI_ID,CLI_COD,(CLI_NOM + ' ' + ISNULL(CLI_APE1,'') + ' ' + ISNULL(CLI_APE2,'')) AS RSOC FROM CLI");
    const QString munoz = unir({"4", "103", "Electricidad Muñoz"});
    QTest::newRow("sin acentos") << comercial << "CLI_COMER" << "munoz" << 1 << munoz;
    QTest::newRow("mayusculas y acentos") << comercial << "CLI_COMER" << "ELECTRICIDAD MUÑOZ" << 1 << munoz;
    QTest::newRow("trozo de palabra") << comercial << "CLI_COMER" << "ez" << 2
                                      << unir({"1", "100", "Construcciones Álvarez"});
    QTest::newRow("varias palabras") << comercial << "CLI_COMER" << "iba ta" << 1
                                     << unir({"2", "101", "Talleres Ibáñez"});
    QTest::newRow("orden de la sentencia") << comercial << "CLI_COMER" << "" << 6
                                           << unir({"6", "105", "Clínica Dental Sonrisa"});
    QTest::newRow("nombre fiscal") << fiscal << "RSOC" << "dolores saez" << 1
                                   << unir({"4", "103", "Dolores Muñoz Sáez"});
    QTest::newRow("columna en otra caja") << comercial << "cli_cod" << "103" << 1 << munoz;
    QTest::newRow("usuarios") << "Select usu_id,usu_cod,usu_nom FROM vmcomun.dbo.usuarios" << "usu_nom"
                              << "nunez" << 1 << unir({"3", "JNU", "Jorge Núñez Peña"});
    QTest::newRow("proveedores, la primera") << "Select Pro_Id,Pro_Cod,Pro_Nom FROM Pro" << "Pro_Nom" << ""
                                             << 3 << unir({"1", "500", "Gregorio"});
    QTest::newRow("dos columnas") << "Select Pro_Cod,Pro_Comer FROM Pro" << "Pro_Comer" << "PEÑA" << 1
                                  << unir({"501", "Maderas Peñalara"});
}

void TstCUtilidades::buscar() {
    QFETCH(QString, sql);
    QFETCH(QString, columna);
    QFETCH(QString, tecleado);
    QFETCH(int, filas);
    QFETCH(QString, resultado);
    abrirBase();
    CUtilidades u;
    u.setConexion(m_conexion.get());
    int vistas = -1;
    m_servicio.accion = [&](QDialog *d) {
        QAbstractItemModelTester probador(rejilla(d)->model(), QAbstractItemModelTester::FailureReportingMode::QtTest);
        QTest::keyClicks(buscador(d), tecleado);
        vistas = rejilla(d)->model()->rowCount();
        QTest::keyClick(buscador(d), Qt::Key_Return);
    };
    const QString elegido = u.BuscarPorNombre(sql, columna, "Codigo", "Cliente", "Buscar clientes", 600, 6000, 0);
    QCOMPARE(m_servicio.abiertos, 1);
    QCOMPARE(vistas, filas);
    QCOMPARE(elegido, resultado);
    QVERIFY(m_servicio.mensajes.isEmpty());
}

void TstCUtilidades::buscarPresentacion_data() {
    QTest::addColumn<QString>("sql");
    QTest::addColumn<bool>("idOculto");
    QTest::newRow("id, codigo y nombre") << "Select Pro_Id,Pro_Cod,Pro_Nom FROM Pro" << true;
    QTest::newRow("codigo y nombre") << "Select Pro_Cod,Pro_Nom FROM Pro" << false;
}

void TstCUtilidades::buscarPresentacion() {
    QFETCH(QString, sql);
    QFETCH(bool, idOculto);
    abrirBase();
    CUtilidades u;
    u.setConexion(m_conexion.get());
    m_servicio.accion = [&](QDialog *d) {
        QCOMPARE(d->objectName(), QStringLiteral("frmBuscarPorNombre"));
        QCOMPARE(d->windowTitle(), QStringLiteral("Buscar Proveedores por nombre"));
        QTableView *g = rejilla(d);
        const int codigo = idOculto ? 1 : 0;
        QCOMPARE(g->isColumnHidden(0), idOculto);
        QVERIFY(!g->isColumnHidden(codigo) && !g->isColumnHidden(codigo + 1));
        QCOMPARE(g->model()->headerData(codigo, Qt::Horizontal).toString(), QStringLiteral("Codigo"));
        QCOMPARE(g->model()->headerData(codigo + 1, Qt::Horizontal).toString(),
                 QStringLiteral("Nombre del Proveedor"));
        QCOMPARE(g->columnWidth(codigo), 900 / 15);
        QVERIFY(g->columnWidth(codigo + 1) >= 6000 / 15); // the last column stretches
        QTest::keyClick(buscador(d), Qt::Key_Escape);
    };
    u.BuscarPorNombre(sql, "Pro_Nom", "Codigo", "Nombre del Proveedor", "Buscar Proveedores por nombre", 900,
                      6000, 0);
    QCOMPARE(m_servicio.abiertos, 1);
}

void TstCUtilidades::buscarConFlechas() {
    abrirBase();
    CUtilidades u;
    u.setConexion(m_conexion.get());
    m_servicio.accion = [&](QDialog *d) {
        QLineEdit *t = buscador(d);
        QTest::keyClick(t, Qt::Key_Down);
        QTest::keyClick(t, Qt::Key_Down);
        QTest::keyClick(t, Qt::Key_Up);
        QTest::keyClick(t, Qt::Key_Down);
        QCOMPARE(t->text(), QString()); // the arrows do not type
        QTest::keyClick(t, Qt::Key_Enter);
    };
    const QString elegido = u.BuscarPorNombre("Select Pro_Id,Pro_Cod,Pro_Nom FROM Pro ORDER BY Pro_Cod", "Pro_Nom",
                                              "Codigo", "Proveedor", "Proveedores", 600, 6000, 0);
    QCOMPARE(elegido, unir({"3", "502", "Ignacio"}));
}

void TstCUtilidades::buscarDobleClic() {
    abrirBase();
    CUtilidades u;
    u.setConexion(m_conexion.get());
    m_servicio.accion = [&](QDialog *d) {
        QVERIFY(QTest::qWaitForWindowExposed(d));
        QTest::keyClicks(buscador(d), "as");
        QTableView *g = rejilla(d);
        QCOMPARE(g->model()->rowCount(), 2); // Maderas Peñalara, Suministros Castilla
        const QRect celda = g->visualRect(g->model()->index(1, 2));
        QVERIFY(celda.isValid());
        // A real double click: press and release, then the double-click event.
        QTest::mouseClick(g->viewport(), Qt::LeftButton, {}, celda.center());
        QVERIFY(d->isVisible()); // one click only moves to the row
        QTest::mouseDClick(g->viewport(), Qt::LeftButton, {}, celda.center());
    };
    const QString elegido = u.BuscarPorNombre("Select PRO_ID,PRO_COD,PRO_COMER FROM PRO ORDER BY PRO_COMER",
                                              "PRO_COMER", "Codigo", "Proveedor", "Proveedores", 600, 6000, 0);
    QCOMPARE(elegido, unir({"1", "500", "Suministros Castilla"}));
}

void TstCUtilidades::buscarSinResultadosYEscape() {
    abrirBase();
    CUtilidades u;
    u.setConexion(m_conexion.get());
    bool abiertoTrasIntro = false;
    m_servicio.accion = [&](QDialog *d) {
        QTest::keyClicks(buscador(d), "zzz");
        QCOMPARE(rejilla(d)->model()->rowCount(), 0);
        QTest::keyClick(buscador(d), Qt::Key_Return);
        abiertoTrasIntro = d->isVisible();
        QTest::keyClicks(buscador(d), QString(QChar('\b')).repeated(3)); // every row back
        QCOMPARE(rejilla(d)->model()->rowCount(), 6);
        QTest::keyClick(buscador(d), Qt::Key_Escape);
        QVERIFY(!d->isVisible());
    };
    const QString elegido = u.BuscarPorNombre("Select CLI_ID,CLI_COD,CLI_COMER FROM CLI", "CLI_COMER", "Codigo",
                                              "Cliente", "Clientes", 600, 6000, 0);
    QVERIFY(abiertoTrasIntro);
    QCOMPARE(elegido, QString());
}

void TstCUtilidades::buscarSentenciaErronea() {
    abrirBase();
    CUtilidades u;
    u.setConexion(m_conexion.get());
    QCOMPARE(u.BuscarPorNombre("Select x FROM NoExiste", "x", "Codigo", "Nombre", "Buscar", 600, 6000, 0),
             QString());
    QCOMPARE(m_servicio.abiertos, 0);
    QCOMPARE(m_servicio.mensajes.size(), 1);
    QVERIFY2(m_servicio.mensajes.front().contains(QLatin1String("NoExiste"), Qt::CaseInsensitive),
             qPrintable(m_servicio.mensajes.front()));

    CUtilidades sinConexion;
    QCOMPARE(sinConexion.BuscarPorNombre("Select 1,2", "x", "Codigo", "Nombre", "Buscar", 600, 6000, 0), QString());
    QCOMPARE(m_servicio.abiertos, 0);
    QCOMPARE(m_servicio.mensajes.size(), 2);
}

// Loose bound: only a quadratic scan or a per-key reload would miss it.
void TstCUtilidades::buscarCienMilFilas() {
    const QStringList apellidos = {"García", "López", "Martínez", "Sánchez", "Pérez",
                                   "Gómez",  "Díaz",  "Fernández", "Ruiz",   "Muñoz"};
    QVector<QVector<QVariant>> filas;
    filas.reserve(100000);
    for (int i = 0; i < 100000; ++i)
        filas.append({i + 1, 10000 + i, QStringLiteral("Cliente %1 %2").arg(i).arg(apellidos[i % 10])});
    ModeloBusqueda modelo;
    modelo.cargar({"cli_id", "cli_cod", "CLI_COMER"}, std::move(filas), 2);
    QCOMPARE(modelo.rowCount(), 100000);

    struct Paso {
        const char *texto;
        int filas;
    };
    const Paso pasos[] = {{"m", 30000}, {"mu", 10000}, {"muñoz", 10000}, {"munoz 9999", 10},
                          {"munoz 99999", 1}, {"", 100000}, {"GARCIA", 10000}, {"cliente 5", 40951}};
    QElapsedTimer reloj;
    reloj.start();
    for (const Paso &p : pasos) {
        modelo.setFiltro(QString::fromUtf8(p.texto));
        QVERIFY2(modelo.rowCount() == p.filas,
                 qPrintable(QStringLiteral("%1: %2 filas").arg(QString::fromUtf8(p.texto)).arg(modelo.rowCount())));
    }
    const qint64 ms = reloj.elapsed();
    QVERIFY2(ms < 500, qPrintable(QStringLiteral("%1 ms").arg(ms)));
    QCOMPARE(modelo.fila(0).value(2).toString(), QStringLiteral("Cliente 5 Gómez"));
}

QTEST_MAIN(TstCUtilidades)
#include "tst_cutilidades.moc"
