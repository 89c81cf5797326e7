// The option objects of the container report link: defaults, assignment and
// the properties written to and read from streams.
#include "engine/ContainerReportLinkOptions.h"

#include "engine/ContainerReportLink.h"

// ---- Options ---------------------------------------------------------------------

void TdxCustomContainerReportLinkOptions::OptionChanged() {
  if (link_) link_->OptionsModified();
}

void TdxCustomContainerReportLinkOptions::SetFlag(bool& field, bool value) {
  if (field == value) return;
  field = value;
  OptionChanged();
}

void TdxCustomContainerReportLinkOptions::ReadFlag(const TdxPropertyValue& value, bool& field) {
  if (const bool* b = std::get_if<bool>(&value)) SetFlag(field, *b);
}

namespace {
// Options are written only when they differ from their defaults.
void WriteFlag(TdxPropertyWriter& writer, const std::string& name, bool value, bool defaultValue) {
  if (value != defaultValue) writer.WriteProperty(name, value);
}
}  // namespace

void TdxCustomContainerReportLinkOptionsBehavior::RestoreDefaults() {
  consumeExistingLinks_ = true;
  OptionChanged();
}
void TdxCustomContainerReportLinkOptionsBehavior::DoAssign(const TdxBaseObject& source) {
  if (auto* s = dynamic_cast<const TdxCustomContainerReportLinkOptionsBehavior*>(&source))
    SetConsumeExistingLinks(s->consumeExistingLinks_);
}
void TdxCustomContainerReportLinkOptionsBehavior::WriteProperties(TdxPropertyWriter& writer,
                                                                   const std::string& prefix) const {
  WriteFlag(writer, prefix + "ConsumeExistingLinks", consumeExistingLinks_, true);
}
void TdxCustomContainerReportLinkOptionsBehavior::ReadProperty(const std::string& name,
                                                                const TdxPropertyValue& value) {
  if (name == "ConsumeExistingLinks") ReadFlag(value, consumeExistingLinks_);
  else TdxCustomContainerReportLinkOptions::ReadProperty(name, value);
}

void TdxCustomContainerReportLinkOptionsDesignerTabs::RestoreDefaults() {
  autoHideReportLinksIfEmpty_ = controls_ = reportLinks_ = true;
  OptionChanged();
}
void TdxCustomContainerReportLinkOptionsDesignerTabs::DoAssign(const TdxBaseObject& source) {
  if (auto* s = dynamic_cast<const TdxCustomContainerReportLinkOptionsDesignerTabs*>(&source)) {
    SetAutoHideReportLinksIfEmpty(s->autoHideReportLinksIfEmpty_);
    SetControls(s->controls_);
    SetReportLinks(s->reportLinks_);
  }
}
void TdxCustomContainerReportLinkOptionsDesignerTabs::WriteProperties(TdxPropertyWriter& writer,
                                                                       const std::string& prefix) const {
  WriteFlag(writer, prefix + "AutoHideReportLinksIfEmpty", autoHideReportLinksIfEmpty_, true);
  WriteFlag(writer, prefix + "Controls", controls_, true);
  WriteFlag(writer, prefix + "ReportLinks", reportLinks_, true);
}
void TdxCustomContainerReportLinkOptionsDesignerTabs::ReadProperty(const std::string& name,
                                                                    const TdxPropertyValue& value) {
  if (name == "AutoHideReportLinksIfEmpty") ReadFlag(value, autoHideReportLinksIfEmpty_);
  else if (name == "Controls") ReadFlag(value, controls_);
  else if (name == "ReportLinks") ReadFlag(value, reportLinks_);
  else TdxCustomContainerReportLinkOptions::ReadProperty(name, value);
}

void TdxCustomContainerReportLinkOptionsItemPlace::RestoreDefaults() {
  expandHeight_ = expandWidth_ = shrinkHeight_ = shrinkWidth_ = false;
  OptionChanged();
}
void TdxCustomContainerReportLinkOptionsItemPlace::DoAssign(const TdxBaseObject& source) {
  if (auto* s = dynamic_cast<const TdxCustomContainerReportLinkOptionsItemPlace*>(&source)) {
    SetExpandHeight(s->expandHeight_);
    SetExpandWidth(s->expandWidth_);
    SetShrinkHeight(s->shrinkHeight_);
    SetShrinkWidth(s->shrinkWidth_);
  }
}
void TdxCustomContainerReportLinkOptionsItemPlace::WriteProperties(TdxPropertyWriter& writer,
                                                                    const std::string& prefix) const {
  WriteFlag(writer, prefix + "ExpandHeight", expandHeight_, false);
  WriteFlag(writer, prefix + "ExpandWidth", expandWidth_, false);
  WriteFlag(writer, prefix + "ShrinkHeight", shrinkHeight_, false);
  WriteFlag(writer, prefix + "ShrinkWidth", shrinkWidth_, false);
}
void TdxCustomContainerReportLinkOptionsItemPlace::ReadProperty(const std::string& name,
                                                                 const TdxPropertyValue& value) {
  if (name == "ExpandHeight") ReadFlag(value, expandHeight_);
  else if (name == "ExpandWidth") ReadFlag(value, expandWidth_);
  else if (name == "ShrinkHeight") ReadFlag(value, shrinkHeight_);
  else if (name == "ShrinkWidth") ReadFlag(value, shrinkWidth_);
  else TdxCustomContainerReportLinkOptions::ReadProperty(name, value);
}

void TdxCustomContainerReportLinkOptionsPagination::RestoreDefaults() {
  controlDetails_ = controls_ = true;
  OptionChanged();
}
void TdxCustomContainerReportLinkOptionsPagination::DoAssign(const TdxBaseObject& source) {
  if (auto* s = dynamic_cast<const TdxCustomContainerReportLinkOptionsPagination*>(&source)) {
    SetControlDetails(s->controlDetails_);
    SetControls(s->controls_);
  }
}
void TdxCustomContainerReportLinkOptionsPagination::WriteProperties(TdxPropertyWriter& writer,
                                                                     const std::string& prefix) const {
  WriteFlag(writer, prefix + "ControlDetails", controlDetails_, true);
  WriteFlag(writer, prefix + "Controls", controls_, true);
}
void TdxCustomContainerReportLinkOptionsPagination::ReadProperty(const std::string& name,
                                                                  const TdxPropertyValue& value) {
  if (name == "ControlDetails") ReadFlag(value, controlDetails_);
  else if (name == "Controls") ReadFlag(value, controls_);
  else TdxCustomContainerReportLinkOptions::ReadProperty(name, value);
}

void TdxCustomContainerReportLinkOptionsRefinements::RestoreDefaults() {
  rootBorders_ = false;
  OptionChanged();
}
void TdxCustomContainerReportLinkOptionsRefinements::DoAssign(const TdxBaseObject& source) {
  if (auto* s = dynamic_cast<const TdxCustomContainerReportLinkOptionsRefinements*>(&source))
    SetRootBorders(s->rootBorders_);
}
void TdxCustomContainerReportLinkOptionsRefinements::WriteProperties(TdxPropertyWriter& writer,
                                                                      const std::string& prefix) const {
  WriteFlag(writer, prefix + "RootBorders", rootBorders_, false);
}
void TdxCustomContainerReportLinkOptionsRefinements::ReadProperty(const std::string& name,
                                                                   const TdxPropertyValue& value) {
  if (name == "RootBorders") ReadFlag(value, rootBorders_);
  else TdxCustomContainerReportLinkOptions::ReadProperty(name, value);
}

void TdxCustomContainerReportLinkOptionsTransparent::RestoreDefaults() {
  containers_ = true;
  controls_ = false;
  graphics_ = false;
  root_ = true;
  OptionChanged();
}
void TdxCustomContainerReportLinkOptionsTransparent::DoAssign(const TdxBaseObject& source) {
  if (auto* s = dynamic_cast<const TdxCustomContainerReportLinkOptionsTransparent*>(&source)) {
    SetContainers(s->containers_);
    SetControls(s->controls_);
    SetGraphics(s->graphics_);
    SetRoot(s->root_);
  }
}
void TdxCustomContainerReportLinkOptionsTransparent::WriteProperties(TdxPropertyWriter& writer,
                                                                      const std::string& prefix) const {
  WriteFlag(writer, prefix + "Containers", containers_, true);
  WriteFlag(writer, prefix + "Controls", controls_, false);
  WriteFlag(writer, prefix + "Graphics", graphics_, false);
  WriteFlag(writer, prefix + "Root", root_, true);
}
void TdxCustomContainerReportLinkOptionsTransparent::ReadProperty(const std::string& name,
                                                                   const TdxPropertyValue& value) {
  if (name == "Containers") ReadFlag(value, containers_);
  else if (name == "Controls") ReadFlag(value, controls_);
  else if (name == "Graphics") ReadFlag(value, graphics_);
  else if (name == "Root") ReadFlag(value, root_);
  else TdxCustomContainerReportLinkOptions::ReadProperty(name, value);
}
