#include "platform/Dialogs.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QLabel>
#include <QPainter>
#include <QPixmap>
#include <QRegularExpression>

#include "platform/Graphics.h"
#include "platform/ModalRun.h"
#include "platform/QtStrings.h"

namespace {

std::vector<std::string> SplitBar(const std::string& s) {
  std::vector<std::string> parts;
  std::string cur;
  for (char c : s) {
    if (c == '|') {
      parts.push_back(cur);
      cur.clear();
    } else {
      cur += c;
    }
  }
  parts.push_back(cur);
  return parts;
}

// The preview pane of the picture dialogs: the picture scaled into a square
// and its size below, or "(None)" when the file is not a readable picture.
class PicturePreview : public QWidget {
 public:
  explicit PicturePreview(QWidget* parent) : QWidget(parent) {
    setMinimumSize(160, 180);
    caption_ = new QLabel(QStringLiteral("(None)"), this);
    caption_->setAlignment(Qt::AlignCenter);
    auto* layout = new QGridLayout(this);
    layout->setRowStretch(0, 1);
    layout->addWidget(caption_, 1, 0);
  }
  void ShowFile(const QString& path) {
    picture_.SetGraphic(nullptr);
    caption_->setText(QStringLiteral("(None)"));
    if (QFileInfo(path).isFile()) {
      try {
        picture_.LoadFromFile(FromQ(path));
        caption_->setText(QStringLiteral("%1 x %2").arg(picture_.Width()).arg(picture_.Height()));
      } catch (const std::exception&) {
        picture_.SetGraphic(nullptr);
      }
    }
    update();
  }

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter p(this);
    QRect box(4, 4, width() - 8, height() - caption_->height() - 12);
    p.fillRect(box, palette().base());
    p.setPen(palette().mid().color());
    p.drawRect(box.adjusted(0, 0, -1, -1));
    if (picture_.Empty() || picture_.Width() <= 0 || picture_.Height() <= 0) return;
    QRect inner = box.adjusted(2, 2, -2, -2);
    double scale = std::min(1.0, std::min(double(inner.width()) / picture_.Width(),
                                          double(inner.height()) / picture_.Height()));
    QSizeF size(picture_.Width() * scale, picture_.Height() * scale);
    QRectF dest(inner.left() + (inner.width() - size.width()) / 2,
                inner.top() + (inner.height() - size.height()) / 2, size.width(), size.height());
    picture_.Graphic()->Draw(p, dest);
  }

 private:
  QLabel* caption_;
  TPicture picture_;
};
}  // namespace

void TFileDialogWindow::Choose(const std::string& fileName) {
  chosen_ = fileName;
  QDialog::accept();
}

std::optional<std::string> TFileDialogWindow::Chosen() const {
  if (result() != QDialog::Accepted) return std::nullopt;
  if (chosen_) return chosen_;
  if (selectedFiles().isEmpty()) return std::nullopt;
  return FromQ(selectedFiles().first());
}

std::vector<std::string> TFileDialog::NativeFilters(const std::string& filter) {
  std::vector<std::string> result;
  if (filter.empty()) return result;
  auto parts = SplitBar(filter);
  for (size_t i = 0; i + 1 < parts.size(); i += 2) {
    std::string masks = parts[i + 1];
    for (char& c : masks)
      if (c == ';') c = ' ';
    // The dialog shows only the part before the last parenthesis (details
    // hidden), so the description appears exactly as given.
    result.push_back(parts[i] + " (" + masks + ")");
  }
  return result;
}

bool TFileDialog::FilterAdmits(const std::string& filter, const std::string& fileName) {
  const QString name = QFileInfo(ToQ(fileName)).fileName();
  if (name.isEmpty()) return false;
  const auto parts = SplitBar(filter);
  for (size_t i = 1; i < parts.size(); i += 2) {
    for (const QString& mask : ToQ(parts[i]).split(';', Qt::SkipEmptyParts)) {
      const QRegularExpression pattern(QRegularExpression::wildcardToRegularExpression(mask.trimmed()),
                                       QRegularExpression::CaseInsensitiveOption);
      if (pattern.match(name).hasMatch()) return true;
    }
  }
  return false;
}

bool TFileDialog::Execute(QWidget* parent) {
  bool save = Kind == TFileDialogKind::SavePicture || Kind == TFileDialogKind::SaveFile;
  bool picture = Kind == TFileDialogKind::OpenPicture || Kind == TFileDialogKind::SavePicture;
  TFileDialogWindow dlg(parent, this);
  dlg.setObjectName("FileDialog");
  dlg.setOption(QFileDialog::DontUseNativeDialog, true);
  dlg.setOption(QFileDialog::HideNameFilterDetails, true);
  dlg.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
  dlg.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
  if (!OverwritePrompt) dlg.setOption(QFileDialog::DontConfirmOverwrite, true);
  if (!Title.empty())
    dlg.setWindowTitle(ToQ(Title));
  else
    dlg.setWindowTitle(save ? QStringLiteral("Save As") : QStringLiteral("Open"));
  QStringList filters;
  for (const auto& f : NativeFilters(Filter)) filters << ToQ(f);
  if (!filters.isEmpty()) {
    dlg.setNameFilters(filters);
    int index = std::clamp(FilterIndex, 1, int(filters.size())) - 1;
    dlg.selectNameFilter(filters[index]);
  }
  if (!DefaultExt.empty()) dlg.setDefaultSuffix(ToQ(DefaultExt));
  if (!InitialDir.empty()) dlg.setDirectory(ToQ(InitialDir));
  if (!FileName.empty()) dlg.selectFile(ToQ(FileName));
  if (picture) {
    if (auto* grid = qobject_cast<QGridLayout*>(dlg.layout())) {
      auto* preview = new PicturePreview(&dlg);
      grid->addWidget(preview, 1, grid->columnCount(), grid->rowCount() - 1, 1);
      QObject::connect(&dlg, &QFileDialog::currentChanged, preview,
                       [preview](const QString& path) { preview->ShowFile(path); });
    }
  }
  RunModal(dlg);
  // The window that asked gets the keyboard back, as after the program's own dialogs.
  if (parent) parent->window()->activateWindow();
  const std::optional<std::string> chosen = dlg.Chosen();
  if (!chosen) return false;
  FileName = *chosen;
  FilterIndex = int(filters.indexOf(dlg.selectedNameFilter())) + 1;
  if (FilterIndex < 1) FilterIndex = 1;
  return true;
}
