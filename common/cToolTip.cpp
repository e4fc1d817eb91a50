#include "cToolTip.h"

#include <QCursor>
#include <QEvent>
#include <QLabel>
#include <QWidget>

namespace {

QString cssColour(quint32 bgr)
{
    return QColor(static_cast<int>(bgr & 0xFF), static_cast<int>((bgr >> 8) & 0xFF),
                  static_cast<int>((bgr >> 16) & 0xFF))
        .name();
}

constexpr QPoint kCursorOffset{2, 16};

} // namespace

cToolTip::cToolTip()
{
    m_tip = new QLabel(nullptr, Qt::ToolTip | Qt::FramelessWindowHint);
    m_tip->setObjectName(QStringLiteral("tooltips_class32"));
    m_tip->setWordWrap(true);
    m_tip->setTextFormat(Qt::PlainText);
    m_delay.setSingleShot(true);
    m_visible.setSingleShot(true);
    connect(&m_delay, &QTimer::timeout, this, &cToolTip::showTip);
    connect(&m_visible, &QTimer::timeout, this, &cToolTip::hideTip);
    Style(kStandard);
    TipWidth(300);
    BkColor(0xEEFFFF);
    TxtColor(0);
    DelayTime(500);
    VisibleTime(2000);
}

cToolTip::~cToolTip()
{
    for (auto it = m_tools.cbegin(); it != m_tools.cend(); ++it)
        it.key()->removeEventFilter(this);
    delete m_tip;
}

void cToolTip::TxtColor(quint32 colour)
{
    m_textColour = colour;
    applyLook();
}

void cToolTip::BkColor(quint32 colour)
{
    m_backColour = colour;
    applyLook();
}

void cToolTip::VisibleTime(int milliseconds) { m_visibleTime = milliseconds; }
void cToolTip::DelayTime(int milliseconds) { m_delayTime = milliseconds; }

void cToolTip::TipWidth(int pixels)
{
    m_tipWidth = pixels;
    m_tip->setMaximumWidth(pixels);
}

void cToolTip::Style(int style)
{
    m_style = style;
    if (style == kBalloon || style == kStandard) {
        m_balloon = style == kBalloon;
        applyLook();
    }
}

void cToolTip::applyLook()
{
    const QString radius = m_balloon ? QStringLiteral("8px") : QStringLiteral("0px");
    m_tip->setStyleSheet(QStringLiteral("QLabel { background-color: ") + cssColour(m_backColour)
                         + QStringLiteral("; color: ") + cssColour(m_textColour)
                         + QStringLiteral("; border: 1px solid #767676; padding: 3px; "
                                          "border-radius: ")
                         + radius + QStringLiteral("; }"));
}

void cToolTip::SetToolTipObj(QWidget* window, const QString& text, bool centre)
{
    if (!window)
        return;
    if (!m_tools.contains(window)) {
        window->installEventFilter(this);
        connect(window, &QObject::destroyed, this, [this, window] {
            m_tools.remove(window);
            if (m_hovered == window)
                hideTip();
        });
    }
    m_tools.insert(window, Tool{text, centre});
}

void cToolTip::DelToolTip(QWidget* window, qint32 item)
{
    if (item >= 0 || !window || !m_tools.remove(window))
        return;
    window->removeEventFilter(this);
    if (m_hovered == window)
        hideTip();
}

bool cToolTip::eventFilter(QObject* watched, QEvent* event)
{
    auto* window = qobject_cast<QWidget*>(watched);
    if (!window || !m_tools.contains(window))
        return false;
    switch (event->type()) {
    case QEvent::Enter:
        m_hovered = window;
        m_delay.start(m_delayTime);
        return false;
    case QEvent::Leave:
    case QEvent::MouseButtonPress:
    case QEvent::Hide:
        if (m_hovered == window)
            hideTip();
        return false;
    case QEvent::ToolTip:
        return true; // our own tip stands in for Qt's
    default:
        return false;
    }
}

void cToolTip::showTip()
{
    if (!m_hovered)
        return;
    const Tool tool = m_tools.value(m_hovered);
    m_tip->setText(tool.text);
    m_tip->adjustSize();
    QPoint at = QCursor::pos() + kCursorOffset;
    if (tool.centre)
        at = m_hovered->mapToGlobal(
            QPoint((m_hovered->width() - m_tip->width()) / 2, m_hovered->height()));
    m_tip->move(at);
    m_tip->show();
    m_visible.start(m_visibleTime);
}

void cToolTip::hideTip()
{
    m_delay.stop();
    m_visible.stop();
    m_hovered = nullptr;
    m_tip->hide();
}
