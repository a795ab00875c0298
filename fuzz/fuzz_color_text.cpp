// Stored colour texts come from a settings file anyone can edit.
#include "platform/settings_store.h"
#include <QString>

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QString text = QString::fromUtf8(QByteArrayView(data, qsizetype(size)));
    SettingValue::colorNumber(text);
    SettingValue::integer(text);
    SettingValue::boolean(text);
    return 0;
}
