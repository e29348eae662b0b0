// The "ID3 Tags" tab's thumbnail: shows a picture or a note, and takes a dropped image file.
#pragma once

#include <QLabel>

#include <functional>

class PictureBox : public QLabel {
    Q_OBJECT
public:
    explicit PictureBox(QWidget* parent = nullptr);
    // Called with the local path of a file dropped on the box.
    std::function<void(const QString& path)> onFileDropped;

protected:
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;
};
