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

PictureRef ResourceFork::GetPicture(int number) const {
    QFile file(root_ + QStringLiteral("/%1.svg").arg(number));
    if (!file.open(QIODevice::ReadOnly)) {
        return nullptr;
    }
    auto picture = std::make_shared<const Picture>(file.readAll());
    return picture->IsValid() ? picture : nullptr;
}

const ResourceFork& AppResourceFork() {
    static const ResourceFork fork(QStringLiteral(":/pictures"));
    return fork;
}

PictureRef PermanentPicture::Get() {
    if (!cache_) {
        cache_ = fork_.GetPicture(number_);
    }
    return cache_;
}

} // namespace tavrel::platform
