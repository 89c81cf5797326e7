// The option objects of the container report link: behaviour, designer tabs,
// item place, pagination, refinements and transparency. Every change tells
// the link, which marks its report for rebuilding.
#pragma once

#include <string>

#include "report/BaseObject.h"

class TdxCustomContainerReportLink;

// Base of the link's option objects: every change tells the link, which marks
// its report for rebuilding.
class TdxCustomContainerReportLinkOptions : public TdxBaseObject {
  DX_CLASS(TdxCustomContainerReportLinkOptions, TdxBaseObject)

 public:
  explicit TdxCustomContainerReportLinkOptions(TdxCustomContainerReportLink* link = nullptr) : link_(link) {}
  TdxCustomContainerReportLink* ReportLink() const { return link_; }
  virtual void RestoreDefaults() {}

 protected:
  // Tells the link (nothing without one or while locked).
  void OptionChanged();
  void SetFlag(bool& field, bool value);
  void ReadFlag(const TdxPropertyValue& value, bool& field);

 private:
  TdxCustomContainerReportLink* link_ = nullptr;
};

class TdxCustomContainerReportLinkOptionsBehavior : public TdxCustomContainerReportLinkOptions {
  DX_CLASS(TdxCustomContainerReportLinkOptionsBehavior, TdxCustomContainerReportLinkOptions)

 public:
  using TdxCustomContainerReportLinkOptions::TdxCustomContainerReportLinkOptions;
  void RestoreDefaults() override;
  bool ConsumeExistingLinks() const { return consumeExistingLinks_; }
  void SetConsumeExistingLinks(bool value) { SetFlag(consumeExistingLinks_, value); }
  void WriteProperties(TdxPropertyWriter& writer, const std::string& prefix) const override;
  void ReadProperty(const std::string& name, const TdxPropertyValue& value) override;

 protected:
  void DoAssign(const TdxBaseObject& source) override;

 private:
  bool consumeExistingLinks_ = true;
};

class TdxCustomContainerReportLinkOptionsDesignerTabs : public TdxCustomContainerReportLinkOptions {
  DX_CLASS(TdxCustomContainerReportLinkOptionsDesignerTabs, TdxCustomContainerReportLinkOptions)

 public:
  using TdxCustomContainerReportLinkOptions::TdxCustomContainerReportLinkOptions;
  void RestoreDefaults() override;
  bool AutoHideReportLinksIfEmpty() const { return autoHideReportLinksIfEmpty_; }
  void SetAutoHideReportLinksIfEmpty(bool value) { SetFlag(autoHideReportLinksIfEmpty_, value); }
  bool Controls() const { return controls_; }
  void SetControls(bool value) { SetFlag(controls_, value); }
  bool ReportLinks() const { return reportLinks_; }
  void SetReportLinks(bool value) { SetFlag(reportLinks_, value); }
  void WriteProperties(TdxPropertyWriter& writer, const std::string& prefix) const override;
  void ReadProperty(const std::string& name, const TdxPropertyValue& value) override;

 protected:
  void DoAssign(const TdxBaseObject& source) override;

 private:
  bool autoHideReportLinksIfEmpty_ = true;
  bool controls_ = true;
  bool reportLinks_ = true;
};

// Per item: grow or shrink the item to its content after the tree is built.
class TdxCustomContainerReportLinkOptionsItemPlace : public TdxCustomContainerReportLinkOptions {
  DX_CLASS(TdxCustomContainerReportLinkOptionsItemPlace, TdxCustomContainerReportLinkOptions)

 public:
  using TdxCustomContainerReportLinkOptions::TdxCustomContainerReportLinkOptions;
  void RestoreDefaults() override;
  bool ExpandHeight() const { return expandHeight_; }
  void SetExpandHeight(bool value) { SetFlag(expandHeight_, value); }
  bool ExpandWidth() const { return expandWidth_; }
  void SetExpandWidth(bool value) { SetFlag(expandWidth_, value); }
  bool ShrinkHeight() const { return shrinkHeight_; }
  void SetShrinkHeight(bool value) { SetFlag(shrinkHeight_, value); }
  bool ShrinkWidth() const { return shrinkWidth_; }
  void SetShrinkWidth(bool value) { SetFlag(shrinkWidth_, value); }
  bool HasHeightOptions() const { return expandHeight_ || shrinkHeight_; }
  bool HasWidthOptions() const { return expandWidth_ || shrinkWidth_; }
  void WriteProperties(TdxPropertyWriter& writer, const std::string& prefix) const override;
  void ReadProperty(const std::string& name, const TdxPropertyValue& value) override;

 protected:
  void DoAssign(const TdxBaseObject& source) override;

 private:
  bool expandHeight_ = false;
  bool expandWidth_ = false;
  bool shrinkHeight_ = false;
  bool shrinkWidth_ = false;
};

class TdxCustomContainerReportLinkOptionsPagination : public TdxCustomContainerReportLinkOptions {
  DX_CLASS(TdxCustomContainerReportLinkOptionsPagination, TdxCustomContainerReportLinkOptions)

 public:
  using TdxCustomContainerReportLinkOptions::TdxCustomContainerReportLinkOptions;
  void RestoreDefaults() override;
  // Page breaks respect the inside of embedded reports.
  bool ControlDetails() const { return controlDetails_; }
  void SetControlDetails(bool value) { SetFlag(controlDetails_, value); }
  // Page breaks respect control boundaries.
  bool Controls() const { return controls_; }
  void SetControls(bool value) { SetFlag(controls_, value); }
  void WriteProperties(TdxPropertyWriter& writer, const std::string& prefix) const override;
  void ReadProperty(const std::string& name, const TdxPropertyValue& value) override;

 protected:
  void DoAssign(const TdxBaseObject& source) override;

 private:
  bool controlDetails_ = true;
  bool controls_ = true;
};

class TdxCustomContainerReportLinkOptionsRefinements : public TdxCustomContainerReportLinkOptions {
  DX_CLASS(TdxCustomContainerReportLinkOptionsRefinements, TdxCustomContainerReportLinkOptions)

 public:
  using TdxCustomContainerReportLinkOptions::TdxCustomContainerReportLinkOptions;
  void RestoreDefaults() override;
  // A border around the root container.
  bool RootBorders() const { return rootBorders_; }
  void SetRootBorders(bool value) { SetFlag(rootBorders_, value); }
  void WriteProperties(TdxPropertyWriter& writer, const std::string& prefix) const override;
  void ReadProperty(const std::string& name, const TdxPropertyValue& value) override;

 protected:
  void DoAssign(const TdxBaseObject& source) override;

 private:
  bool rootBorders_ = false;
};

class TdxCustomContainerReportLinkOptionsTransparent : public TdxCustomContainerReportLinkOptions {
  DX_CLASS(TdxCustomContainerReportLinkOptionsTransparent, TdxCustomContainerReportLinkOptions)

 public:
  using TdxCustomContainerReportLinkOptions::TdxCustomContainerReportLinkOptions;
  void RestoreDefaults() override;
  bool Containers() const { return containers_; }
  void SetContainers(bool value) { SetFlag(containers_, value); }
  bool Controls() const { return controls_; }
  void SetControls(bool value) { SetFlag(controls_, value); }
  // Stored and copied only.
  bool Graphics() const { return graphics_; }
  void SetGraphics(bool value) { SetFlag(graphics_, value); }
  bool Root() const { return root_; }
  void SetRoot(bool value) { SetFlag(root_, value); }
  void WriteProperties(TdxPropertyWriter& writer, const std::string& prefix) const override;
  void ReadProperty(const std::string& name, const TdxPropertyValue& value) override;

 protected:
  void DoAssign(const TdxBaseObject& source) override;

 private:
  bool containers_ = true;
  bool controls_ = false;
  bool graphics_ = false;
  bool root_ = true;
};
