// Picture files dropped onto the image editor from the file manager.
#include <QDragEnterEvent>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QUrl>

#include "editors/ImageEditor.h"
#include "platform/Application.h"
#include "platform/Dialogs.h"
#include "platform/QtStrings.h"
#include "platform/ScopedValue.h"

std::string TcxImage::DropFilter() const {
  if (dropFilter_) return *dropFilter_;
  if (!properties_->CustomFilter().empty()) return properties_->CustomFilter();
  return GraphicFilter(properties_->GraphicClass());
}

std::optional<std::string> TcxImage::DroppedPictureFile(const QMimeData* data) const {
  if (!data || !CanModify() || !data->hasUrls()) return std::nullopt;
  const QList<QUrl> urls = data->urls();
  if (urls.size() != 1 || !urls.front().isLocalFile()) return std::nullopt;
  const std::string fileName = FromQ(urls.front().toLocalFile());
  if (fileName.empty() || !TFileDialog::FilterAdmits(DropFilter(), fileName)) return std::nullopt;
  return fileName;
}

void TcxImage::dragEnterEvent(QDragEnterEvent* e) {
  if (DroppedPictureFile(e->mimeData()))
    e->acceptProposedAction();
  else
    e->ignore();
}

void TcxImage::dragMoveEvent(QDragMoveEvent* e) {
  if (DroppedPictureFile(e->mimeData()))
    e->acceptProposedAction();
  else
    e->ignore();
}

void TcxImage::dropEvent(QDropEvent* e) {
  const std::optional<std::string> fileName = DroppedPictureFile(e->mimeData());
  if (!fileName) {
    e->ignore();
    return;
  }
  e->acceptProposedAction();
  LoadDroppedPicture(*fileName);
}

void TcxImage::LoadDroppedPicture(const std::string& fileName) {
  if (OnDropPicture) {
    OnDropPicture(*this, fileName);
    return;
  }
  // As "Load...": a user change that OnEditing may refuse; a file that cannot
  // be read is reported and the picture stays as it was.
  ScopedValue action(userAction_, true);
  try {
    if (DoEditing()) picture_->LoadFromFile(fileName);
  } catch (const std::exception& e) {
    Application::ShowException(e);
  }
}
