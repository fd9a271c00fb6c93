#include "platform/picture.h"

#include <QFile>
#include <QPainter>
#include <QSvgRenderer>

namespace tavrel::platform {

Picture::Picture(const QByteArray& svg) : renderer_(std::make_unique<QSvgRenderer>(svg)) {}

Picture::~Picture() = default;

bool Picture::IsValid() const {
    return renderer_->isValid();
}

QSizeF Picture::Size() const {
    return renderer_->defaultSize();
}

void Picture::Draw(QPainter& painter) const {
    renderer_->render(&painter, QRectF(QPointF(0, 0), Size()));
}

PictureRef PictureFolder::Get(const QString& name) const {
    QFile file(root_ + QLatin1Char('/') + name + QStringLiteral(".svg"));
    if (!file.open(QIODevice::ReadOnly)) {
        return nullptr;
    }
    auto picture = std::make_shared<const Picture>(file.readAll());
    return picture->IsValid() ? picture : nullptr;
}

const PictureFolder& BundledPictures() {
    static const PictureFolder folder(QStringLiteral(":/pictures"));
    return folder;
}

PictureRef CachedPicture::Get() {
    if (!cache_) {
        cache_ = folder_.Get(name_);
    }
    return cache_;
}

} // namespace tavrel::platform
