#include "platform/settings_store.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>

namespace {

const QString kSection = QStringLiteral("Tobrin 2.0");

// QSettings matches keys case-sensitively on this platform, so the store
// folds them to one case itself.
QString storedKey(const QString& key)
{
    return kSection + u'/' + key.toLower();
}

int hexDigit(QChar c)
{
    const char16_t u = c.unicode();
    if (u >= u'0' && u <= u'9')
        return u - u'0';
    if (u >= u'a' && u <= u'f')
        return u - u'a' + 10;
    if (u >= u'A' && u <= u'F')
        return u - u'A' + 10;
    return -1;
}

} // namespace

SettingsStore::SettingsStore(QString filePath) : m_filePath(std::move(filePath)) {}

QString SettingsStore::userFilePath()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/Corvane/Corvane.conf");
}

QString SettingsStore::read(const QString& key, const QString& defaultValue) const
{
    QSettings settings(m_filePath, QSettings::IniFormat);
    const QVariant value = settings.value(storedKey(key));
    return value.isValid() ? value.toString() : defaultValue;
}

bool SettingsStore::write(const QString& key, const QString& value, QString* error)
{
    // A fresh QSettings for every write: an error status stays on the object
    // that met it, so a reused one would report old failures.
    QDir().mkpath(QFileInfo(m_filePath).absolutePath());
    QSettings settings(m_filePath, QSettings::IniFormat);
    settings.setValue(storedKey(key), value);
    settings.sync();
    if (settings.status() == QSettings::NoError)
        return true;
    if (error) {
        *error = QStringLiteral("The setting \"%1\" could not be saved in \"%2\"%3.")
                     .arg(key, QDir::toNativeSeparators(m_filePath),
                          settings.status() == QSettings::AccessError
                              ? QStringLiteral(": the file or its folder cannot be written")
                              : QStringLiteral(": the file is damaged"));
    }
    return false;
}

namespace SettingValue {

qint64 colorNumber(const QString& text)
{
    if (text.size() >= 2 && text[0] == u'&' && (text[1] == u'H' || text[1] == u'h')) {
        // Hexadecimal digits up to the first other character; eight digits
        // make a 32-bit value, which is what the "&H...&" form stands for.
        quint64 value = 0;
        int digits = 0;
        for (qsizetype i = 2; i < text.size() && digits < 16; ++i, ++digits) {
            const int d = hexDigit(text[i]);
            if (d < 0)
                break;
            value = value * 16 + quint64(d);
        }
        if (digits == 0)
            return 0;
        return digits <= 8 ? qint64(qint32(quint32(value))) : qint64(value);
    }
    return integer(text);
}

qint64 integer(const QString& text)
{
    qsizetype i = 0;
    while (i < text.size() && (text[i] == u' ' || text[i] == u'\t'))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == u'-' || text[i] == u'+')) {
        negative = text[i] == u'-';
        ++i;
    }
    qint64 value = 0;
    for (; i < text.size() && text[i] >= u'0' && text[i] <= u'9'; ++i) {
        if (value > (std::numeric_limits<qint64>::max() - 9) / 10)
            break; // absurdly long numbers stop growing rather than overflow
        value = value * 10 + (text[i].unicode() - u'0');
    }
    return negative ? -value : value;
}

bool boolean(const QString& text)
{
    return text.compare(u"True", Qt::CaseInsensitive) == 0;
}

QString booleanText(bool value)
{
    return value ? QStringLiteral("True") : QStringLiteral("False");
}

} // namespace SettingValue
