#include "registro.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QFile>
#include <QMutex>
#include <QRegularExpression>
#include <atomic>
#include <unistd.h>

// Off unless switched on: QtCriticalMsg hides debug, info and warning by default.
Q_LOGGING_CATEGORY(lcSentencias, "vmexp.sentencias", QtCriticalMsg)
Q_LOGGING_CATEGORY(lcTransacciones, "vmexp.transacciones", QtCriticalMsg)
Q_LOGGING_CATEGORY(lcDocumentos, "vmexp.documentos", QtCriticalMsg)
Q_LOGGING_CATEGORY(lcComponentes, "vmexp.componentes", QtCriticalMsg)
Q_LOGGING_CATEGORY(lcErrores, "vmexp.errores", QtCriticalMsg)
Q_LOGGING_CATEGORY(lcEsquema, "vmexp.esquema", QtCriticalMsg)

namespace {
QMutex g_cerrojo;
QFile *g_fichero = nullptr;
QtMessageHandler g_manejadorAnterior = nullptr;
QLoggingCategory::CategoryFilter g_filtroAnterior = nullptr;
bool g_instalado = false;

bool esNuestra(const char *categoria) { return categoria && qstrncmp(categoria, "vmexp.", 6) == 0; }

void filtro(QLoggingCategory *categoria) {
    if (g_filtroAnterior)
        g_filtroAnterior(categoria);
    if (g_fichero && esNuestra(categoria->categoryName()))
        for (QtMsgType t : {QtDebugMsg, QtInfoMsg, QtWarningMsg})
            categoria->setEnabled(t, true);
}

void escribir(QtMsgType tipo, const QMessageLogContext &contexto, const QString &mensaje) {
    if (!esNuestra(contexto.category)) {
        if (g_manejadorAnterior)
            g_manejadorAnterior(tipo, contexto, mensaje);
        return;
    }
    QMutexLocker l(&g_cerrojo);
    if (!g_fichero)
        return;
    const QString linea = QStringLiteral("%1 [%2] %3: %4\n")
                              .arg(QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz")))
                              .arg(qint64(getpid()))
                              .arg(QLatin1String(contexto.category), Registro::sinSecretos(mensaje));
    g_fichero->write(linea.toUtf8());
    // Support reads what was written before a crash too.
    g_fichero->flush();
}
} // namespace

bool Registro::activar(const QString &fichero, QString *error) {
    auto f = std::make_unique<QFile>(fichero);
    if (!f->open(QIODevice::WriteOnly | QIODevice::Append)) {
        if (error)
            *error = QStringLiteral("No se puede escribir el registro en %1: %2").arg(fichero, f->errorString());
        return false;
    }
    {
        QMutexLocker l(&g_cerrojo);
        delete g_fichero;
        g_fichero = f.release();
    }
    if (!g_instalado) {
        g_instalado = true;
        g_manejadorAnterior = qInstallMessageHandler(escribir);
        g_filtroAnterior = QLoggingCategory::installFilter(filtro);
    } else {
        // Filters are applied again to every category when one is installed.
        QLoggingCategory::installFilter(filtro);
    }
    qCInfo(lcErrores).noquote() << "registro abierto por"
                                << (QCoreApplication::instance() ? QCoreApplication::applicationName() : QStringLiteral("?"));
    return true;
}

void Registro::desdeEntorno() {
    static bool hecho = false;
    if (hecho)
        return;
    hecho = true;
    const QString fichero = qEnvironmentVariable("VMEXP_REGISTRO");
    if (!fichero.isEmpty() && !activo())
        activar(fichero);
}

void Registro::desactivar() {
    {
        QMutexLocker l(&g_cerrojo);
        delete g_fichero;
        g_fichero = nullptr;
    }
    // Back to each category's own default: off.
    if (g_instalado) {
        for (auto *c : {&lcSentencias, &lcTransacciones, &lcDocumentos, &lcComponentes, &lcErrores, &lcEsquema})
            for (QtMsgType t : {QtDebugMsg, QtInfoMsg, QtWarningMsg})
                const_cast<QLoggingCategory &>(c()).setEnabled(t, false);
    }
}

bool Registro::activo() {
    QMutexLocker l(&g_cerrojo);
    return g_fichero != nullptr;
}

QString Registro::nuevaReferencia() {
    // The first half tells this run apart from others writing to the same log.
    static const quint16 sesion = quint16((quint32(getpid()) * 2654435761u) ^ quint32(QDateTime::currentMSecsSinceEpoch()));
    static std::atomic<int> cuenta{0};
    return QStringLiteral("%1-%2").arg(sesion, 4, 16, QLatin1Char('0')).arg(++cuenta, 4, 10, QLatin1Char('0')).toUpper();
}

QString Registro::sinSecretos(QString texto) {
    static const QRegularExpression clave(
        QStringLiteral("\\b(password|passwd|pwd|contrase(?:ñ|n)a)(\\s*[=:]\\s*)('[^']*'|\"[^\"]*\"|[^\\s;,&]+)"),
        QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression uri(QStringLiteral("(://[^/:@\\s]+:)[^@\\s]+@"));
    texto.replace(clave, QStringLiteral("\\1\\2***"));
    texto.replace(uri, QStringLiteral("\\1***@"));
    return texto;
}
