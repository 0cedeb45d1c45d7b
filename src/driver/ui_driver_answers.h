// The pieces every file of the UI driver shares: its JSON answers, the
// first word of a command line, a lookup in its tables of verbs and
// properties.
#pragma once

#include <QByteArray>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonValue>
#include <QString>
#include <QWidget>
#include <cstddef>
#include <utility>

#include "toolkit/caption_fit.h"
#include "toolkit/controls.h"

namespace cobalin::ui {

inline QByteArray Json(const QJsonValue& v) {
    // QJsonDocument holds arrays and objects only: wrap and unwrap.
    const QByteArray a = QJsonDocument(QJsonArray{v}).toJson(QJsonDocument::Compact);
    return a.mid(1, a.size() - 2);
}

inline QByteArray OkJson() { return R"({"ok":true})"; }
inline QByteArray ValueJson(const QJsonValue& v) { return R"({"ok":true,"value":)" + Json(v) + "}"; }
inline QByteArray ErrorJson(const QString& text) { return R"({"ok":false,"error":)" + Json(text) + "}"; }

// "NAME REST": the first word and the rest after one space.
inline std::pair<QString, QString> SplitWord(const QString& s) {
    const int space = s.indexOf(' ');
    if (space < 0) return {s, QString()};
    return {s.left(space), s.mid(space + 1)};
}

inline bool IsList(const QWidget* w) { return IsLineList(w); }

template <class Def, size_t N>
const Def* Lookup(const Def (&table)[N], const QString& name) {
    for (const Def& d : table)
        if (name == QLatin1String(d.name)) return &d;
    return nullptr;
}

}  // namespace cobalin::ui
