#pragma once

#include <QByteArray>
#include <QSizeF>
#include <QString>
#include <memory>

class QPainter;
class QSvgRenderer;

namespace tavrel::platform {

// A vector picture, drawn unscaled at its own size so that it stays sharp at any device pixel
// ratio.
class Picture {
  public:
    explicit Picture(const QByteArray& svg);
    ~Picture();
    Picture(const Picture&) = delete;
    Picture& operator=(const Picture&) = delete;

    bool IsValid() const;
    QSizeF Size() const;
    // Draws the picture with its top-left corner at the painter's origin.
    void Draw(QPainter& painter) const;

  private:
    std::unique_ptr<QSvgRenderer> renderer_;
};

using PictureRef = std::shared_ptr<const Picture>;

// A folder of pictures, "<name>.svg", in the resources or the file system.
class PictureFolder {
  public:
    explicit PictureFolder(QString root) : root_(std::move(root)) {}

    // The picture called `name`, or nothing when there is none (or it cannot be read).
    PictureRef Get(const QString& name) const;

  private:
    QString root_;
};

// The pictures compiled into the application.
const PictureFolder& BundledPictures();

// A picture loaded on first use and kept for the rest of the run. A read that finds nothing
// leaves the slot empty, so the next call reads again.
class CachedPicture {
  public:
    explicit CachedPicture(QString name, const PictureFolder& folder = BundledPictures())
        : name_(std::move(name)), folder_(folder) {}

    PictureRef Get();

  private:
    QString name_;
    const PictureFolder& folder_;
    PictureRef cache_;
};

} // namespace tavrel::platform
