// The engine's descriptions in the user's language. The engine core has no Qt and words its
// failures in English from fixed sentences with names, paths and system texts put in; here
// each such sentence is a translatable pattern ("Cannot open %1: %2."), the engine's text is
// matched against the patterns, and the translation gets the same parts (themselves worded
// again: a device description inside a sentence). A text that matches no pattern is shown
// as the engine wrote it.
#pragma once

#include <QString>
#include <string>

namespace pelta {

// An engine failure's description (EngineError::what(), LastErrorText()) for a message box.
QString EngineErrorText(const std::string& english);
QString EngineErrorText(const QString& english);

// A device's display name from the engine: the built-in sources are translated, real
// devices keep the names their drivers give.
QString DeviceDisplayName(const std::string& name);

// A processor's or compressor setting's name, or one of its choices, from the engine's catalogs.
QString CatalogText(const std::string& english);

}  // namespace pelta
