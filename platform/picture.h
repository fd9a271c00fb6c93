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

// The pictures stored with the application, read by resource number.
class ResourceFork {
  public:
    // Pictures are the files "<number>.svg" under `root`, a resource or file-system folder.
    explicit ResourceFork(QString root) : root_(std::move(root)) {}

    // The picture with `number`, or nothing when there is none (or it cannot be read).
    PictureRef GetPicture(int number) const;

  private:
    QString root_;
};

// The application's own resources, compiled into the binary.
const ResourceFork& AppResourceFork();

// A picture loaded on first use and kept for the rest of the run. A read that finds nothing
// leaves the slot empty, so the next call reads again.
class PermanentPicture {
  public:
    explicit PermanentPicture(int number, const ResourceFork& fork = AppResourceFork())
        : number_(number), fork_(fork) {}

    PictureRef Get();

  private:
    int number_;
    const ResourceFork& fork_;
    PictureRef cache_;
};

} // namespace tavrel::platform
