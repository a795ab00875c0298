#pragma once

#include <QColor>
#include <QMap>
#include <QPixmap>
#include <QWidget>

// A painted panel that serves as frame, button, speaker, miniature and
// schedule cell: a caption with its background and text colours, a picture
// with several looks, and a two-state value that a click flips before
// clicked() is emitted.
class ElasticPanel : public QWidget
{
    Q_OBJECT
public:
    enum class Bevel
    {
        Raised,
        Inset,
        None
    };

    explicit ElasticPanel(QWidget* parent = nullptr);

    void setCaption(const QString& caption);
    const QString& caption() const { return m_caption; }

    void setBackColor(const QColor& color);
    const QColor& backColor() const { return m_backColor; }
    void setForeColor(const QColor& color);
    const QColor& foreColor() const { return m_foreColor; }

    // Where the caption is drawn; the whole panel unless set.
    void setCaptionArea(const QRect& area, Qt::Alignment alignment);

    void setBevel(Bevel bevel);

    // Picture looks by number; the speakers use 10 (resting) and 9.
    void setPicture(int look, const QPixmap& picture);
    void setPictureLook(int look);
    int pictureLook() const { return m_look; }

    // Panels that are clickable react to the mouse; the frame and the
    // miniature's parts are not.
    void setClickable(bool clickable);
    // With toggling on, a click flips value() before clicked() is emitted.
    void setToggles(bool toggles);
    void setValue(bool value);
    bool value() const { return m_value; }

    QSize sizeHint() const override;

Q_SIGNALS:
    void clicked();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void activate();

    QString m_caption;
    QColor m_backColor = Qt::black;
    QColor m_foreColor = Qt::white;
    QRect m_captionArea;
    Qt::Alignment m_captionAlignment = Qt::AlignCenter;
    Bevel m_bevel = Bevel::Raised;
    QMap<int, QPixmap> m_pictures;
    int m_look = 0;
    bool m_clickable = false;
    bool m_toggles = false;
    bool m_value = false;
    bool m_pressed = false;
};
