// Helpers for tests of the container report link: the texts a metafile
// records, and lookups of produced items by control.
#pragma once

#include <QString>
#include <string>

#include "engine/ContainerReportLink.h"
#include "platform/MetafileRecords.h"

// The strings of the EXTTEXTOUTW records of an EMF, joined by "|".
inline std::string EmfTexts(const TMetafile& metafile) {
  constexpr std::uint32_t kExtTextOutW = 84;
  std::string result;
  metafile::EmfWalker walker(metafile.Data());
  std::uint32_t type;
  TByteView record;
  while (walker.Next(type, record)) {
    if (type != kExtTextOutW) continue;
    metafile::Fields f(record);
    std::uint32_t count = f.U32(44), offset = f.U32(48);
    if (!f.Ok() || count > record.size() / 2) continue;
    TByteView chars = f.Bytes(offset, std::size_t(count) * 2);
    if (!f.Ok()) continue;
    QString text;
    for (std::size_t i = 0; i + 1 < chars.size(); i += 2) text += QChar(char16_t(chars[i] | (chars[i + 1] << 8)));
    result += text.toStdString() + "|";
  }
  return result;
}

// The definition of control's item in the last construction, or none.
inline TdxPSCustomContainerItemDefinition* DefinitionOfControl(const TdxCustomContainerReportLink& link,
                                                               const QWidget* control) {
  for (int i = 0; i < link.DefinitionCount(); ++i)
    if (link.Definitions(i)->Component() == control) return link.Definitions(i);
  return nullptr;
}

inline TdxReportVisualItem* ItemOf(const TdxCustomContainerReportLink& link, const QWidget* control) {
  TdxPSCustomContainerItemDefinition* definition = DefinitionOfControl(link, control);
  return definition ? definition->ReportItem() : nullptr;
}

// The host cell of a windowed control.
inline TdxReportCell* HostOf(const TdxCustomContainerReportLink& link, const QWidget* control) {
  TdxReportVisualItem* item = ItemOf(link, control);
  return item ? item->Parent() : nullptr;
}
