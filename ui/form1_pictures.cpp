// The "ID3 Tags" tab's picture box: the thumbnail of the selected files' front cover, and
// setting, removing and exporting it.
#include "form1.h"

#include "features/tagedit/batch_save.h"
#include "features/tagedit/pictures.h"
#include "file_list_box.h"
#include "picture_box.h"
#include "qt_text.h"
#include "tags/id3v2/id3v2.h"

#include <QFileInfo>
#include <QImage>
#include <QPixmap>
#include <QToolButton>

namespace {

void showNote(PictureBox* box, QLabel* size, const QString& note)
{
    box->setPixmap(QPixmap());
    box->setText(note);
    size->clear();
}

// Saves the picture change into the ID3v2 tag of each file, as the save button does.
void savePictureChange(TForm1& w, const std::vector<std::string>& files, PictureChange change)
{
    BatchSaveRequest request;
    request.saveV1 = false;
    request.files = files;
    request.recordForUndo = true;
    request.v2.picture = std::move(change);
    w.saveInBackground(request, QStringLiteral("Saving"));
}

} // namespace

void TForm1::ShowPicture()
{
    const std::vector<std::string> files = FileListBoxMP3Files->selectedPaths();
    Tid3v2tag tag;
    ShowPictureView(files.empty() ? PictureView() : readPictureView(files, tag), !files.empty());
}

void TForm1::ShowPictureView(const PictureView& view, bool anySelected)
{
    ToolButtonSetPicture->setEnabled(anySelected);
    ToolButtonRemovePictures->setEnabled(anySelected);
    ToolButtonExportPicture->setEnabled(view.state == PictureView::State::Shown);
    switch (view.state) {
    case PictureView::State::None: showNote(ImagePicture, LabelPictureSize, QStringLiteral("(no picture)")); return;
    case PictureView::State::Different:
        showNote(ImagePicture, LabelPictureSize, QStringLiteral("(different pictures)"));
        return;
    case PictureView::State::Unreadable:
        showNote(ImagePicture, LabelPictureSize, QStringLiteral("(unreadable picture)"));
        return;
    case PictureView::State::Shown: break;
    }
    const std::vector<uint8_t>& data = view.picture.Data;
    QImage image;
    image.loadFromData(data.data(), static_cast<int>(data.size()));
    ImageInfo info = view.info;
    if (image.isNull()) {
        showNote(ImagePicture, LabelPictureSize, QStringLiteral("(unreadable picture)"));
    } else {
        info.width = static_cast<uint32_t>(image.width());
        info.height = static_cast<uint32_t>(image.height());
        ImagePicture->setPixmap(QPixmap::fromImage(
            image.scaled(ImagePicture->size(), Qt::KeepAspectRatio, Qt::SmoothTransformation)));
    }
    LabelPictureSize->setText(toQString(pictureSizeText(info, data.size())));
}

void TForm1::ToolButtonSetPictureClick()
{
    if (FileListBoxMP3Files->selectedPaths().empty())
        return;
    const FileDialogSpec spec{QStringLiteral("Images (*.jpg;*.jpeg;*.png)|*.jpg;*.jpeg;*.png|All Files (*.*)|*.*"),
                              QString(), false, FileListBoxMP3Files->directory()};
    const QString chosen = m_dialogs.openFile(spec);
    if (!chosen.isEmpty())
        SetPictureFrom(chosen);
}

void TForm1::SetPictureFrom(const QString& imagePath)
{
    const std::vector<std::string> files = FileListBoxMP3Files->selectedPaths();
    if (files.empty())
        return;
    CoverImage image = readCoverImage(pathBytes(imagePath));
    if (!image.refusal.empty()) {
        m_dialogs.error(image.refusal);
        return;
    }
    if (m_dialogs.confirm(setCoverConfirmationText(toUtf8(QFileInfo(imagePath).fileName()), files.size())) !=
        Dialogs::Yes)
        return;
    PictureChange change;
    change.kind = PictureChange::Kind::SetFrontCover;
    change.mimeType = std::move(image.mimeType);
    change.data = std::move(image.bytes);
    savePictureChange(*this, files, std::move(change));
    ShowPicture();
}

void TForm1::ToolButtonRemovePicturesClick()
{
    const std::vector<std::string> files = FileListBoxMP3Files->selectedPaths();
    if (files.empty() || m_dialogs.confirm(removePicturesConfirmationText(files.size())) != Dialogs::Yes)
        return;
    PictureChange change;
    change.kind = PictureChange::Kind::RemoveAll;
    savePictureChange(*this, files, std::move(change));
    ShowPicture();
}

void TForm1::ToolButtonExportPictureClick()
{
    const std::vector<std::string> files = FileListBoxMP3Files->selectedPaths();
    if (files.empty())
        return;
    Tid3v2tag tag;
    const PictureView view = readPictureView({files.front()}, tag);
    const QString extension = inspectImage(view.picture.Data).format == ImageFormat::Png ? QStringLiteral("png")
                                                                                          : QStringLiteral("jpg");
    const FileDialogSpec spec{QStringLiteral("Image (*.%1)|*.%1|All Files (*.*)|*.*").arg(extension), extension, true,
                              FileListBoxMP3Files->directory()};
    const QString chosen = m_dialogs.saveFile(spec, QStringLiteral("cover.") + extension);
    if (chosen.isEmpty())
        return;
    const std::string failure = exportPicture(files.front(), pathBytes(chosen), tag);
    if (!failure.empty())
        m_dialogs.error(failure);
}
