// Precompiled header: the standard and Qt headers nearly every module includes.
#pragma once
#ifdef __cplusplus
#include <algorithm>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>
#include <QByteArray>
#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QVariant>
#endif
