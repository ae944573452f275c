#pragma once

#include "platform/CodePage.h"

#include <QByteArray>
#include <QString>

#include <optional>

// What the light web pane makes of a page's bytes.
namespace PageText {

// The code page a charset name stands for: UTF-8, GBK, GB18030, Big5 and
// their usual aliases; nothing for any other name.
std::optional<CodePage> codePageFor(QByteArray charset);

// The charset the page declares: its Content-Type header's, else that of a
// meta tag near its start; empty when neither says.
QByteArray declaredCharset(const QByteArray& contentType, const QByteArray& page);

// The page as text, in the code page it declares; when it declares none (or
// one not known here), in UTF-8 if it is valid UTF-8, else in `fallback`.
QString decode(const QByteArray& page, const QByteArray& contentType, const CodePage& fallback);

// Every image tag replaced by its alt text, as plain text: the pane fetches no images.
QString withAltTexts(const QString& html);

} // namespace PageText
