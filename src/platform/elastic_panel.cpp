#include "platform/elastic_panel.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

ElasticPanel::ElasticPanel(QWidget* parent) : QWidget(parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void ElasticPanel::setCaption(const QString& caption)
{
    if (caption == m_caption)
        return;
    m_caption = caption;
    update();
}

void ElasticPanel::setBackColor(const QColor& color)
{
    m_backColor = color;
    update();
}

void ElasticPanel::setForeColor(const QColor& color)
{
    m_foreColor = color;
    update();
}

void ElasticPanel::setCaptionArea(const QRect& area, Qt::Alignment alignment)
{
    m_captionArea = area;
    m_captionAlignment = alignment;
    update();
}

void ElasticPanel::setBevel(Bevel bevel)
{
    m_bevel = bevel;
    update();
}

void ElasticPanel::setPicture(int look, const QPixmap& picture)
{
    m_pictures.insert(look, picture);
    update();
}

void ElasticPanel::setPictureLook(int look)
{
    if (look == m_look)
        return;
    m_look = look;
    update();
}

void ElasticPanel::setClickable(bool clickable)
{
    m_clickable = clickable;
    setFocusPolicy(clickable ? Qt::TabFocus : Qt::NoFocus);
    setCursor(clickable ? Qt::PointingHandCursor : Qt::ArrowCursor);
}

void ElasticPanel::setToggles(bool toggles)
{
    m_toggles = toggles;
}

void ElasticPanel::setValue(bool value)
{
    if (value == m_value)
        return;
    m_value = value;
    update();
}

QSize ElasticPanel::sizeHint() const
{
    return fontMetrics().size(Qt::TextSingleLine, m_caption) + QSize(12, 6);
}

void ElasticPanel::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    const QRect r = rect();
    p.fillRect(r, m_backColor);

    const auto pic = m_pictures.constFind(m_look);
    if (pic != m_pictures.constEnd() && !pic->isNull()) {
        const QSize s = pic->size().scaled(r.size() - QSize(4, 4), Qt::KeepAspectRatio);
        const QRect target(QPoint(0, 0), s);
        p.drawPixmap(target.translated(r.center() - target.center()), *pic);
    }

    if (!m_caption.isEmpty()) {
        QColor text = m_foreColor;
        if (!isEnabled())
            text = QColor(0x80, 0x80, 0x80);
        p.setPen(text);
        p.setFont(font());
        const QRect area = m_captionArea.isNull() ? r.adjusted(2, 1, -2, -1) : m_captionArea;
        const QPoint shift = m_pressed ? QPoint(1, 1) : QPoint();
        p.drawText(area.translated(shift), int(m_captionAlignment) | Qt::TextSingleLine, m_caption);
    }

    if (m_bevel == Bevel::None)
        return;
    // A two-pixel bevel in lighter and darker shades of the panel colour,
    // reversed while pressed or for inset panels.
    const bool sunken = m_pressed || m_bevel == Bevel::Inset || (m_toggles && m_value);
    QColor light =
        m_backColor.lightness() < 40 ? QColor(0x70, 0x70, 0x70) : m_backColor.lighter(160);
    QColor dark = m_backColor.lightness() < 40 ? QColor(0x10, 0x10, 0x10) : m_backColor.darker(200);
    if (sunken)
        std::swap(light, dark);
    p.setPen(light);
    p.drawLine(r.topLeft(), r.topRight());
    p.drawLine(r.topLeft(), r.bottomLeft());
    p.setPen(dark);
    p.drawLine(r.bottomLeft(), r.bottomRight());
    p.drawLine(r.topRight(), r.bottomRight());
    if (hasFocus()) {
        p.setPen(QPen(m_foreColor, 1, Qt::DotLine));
        p.drawRect(r.adjusted(2, 2, -3, -3));
    }
}

void ElasticPanel::mousePressEvent(QMouseEvent* event)
{
    if (!m_clickable || event->button() != Qt::LeftButton)
        return QWidget::mousePressEvent(event);
    m_pressed = true;
    update();
}

void ElasticPanel::mouseReleaseEvent(QMouseEvent* event)
{
    if (!m_clickable || event->button() != Qt::LeftButton || !m_pressed)
        return QWidget::mouseReleaseEvent(event);
    m_pressed = false;
    update();
    if (rect().contains(event->position().toPoint()))
        activate();
}

void ElasticPanel::keyPressEvent(QKeyEvent* event)
{
    // A focused button answers the space bar, as the platform's buttons do.
    if (m_clickable && event->key() == Qt::Key_Space && !event->isAutoRepeat()) {
        activate();
        return;
    }
    QWidget::keyPressEvent(event);
}

void ElasticPanel::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::EnabledChange) {
        m_pressed = false;
        update();
    }
    QWidget::changeEvent(event);
}

void ElasticPanel::activate()
{
    if (!isEnabled())
        return;
    if (m_toggles)
        setValue(!m_value);
    Q_EMIT clicked();
}
