#pragma once

#include <QHash>
#include <QObject>
#include <QString>
#include <QTimer>

class QLabel;
class QWidget;

// One tooltip window with its own colours, times, width and style, for the windows
// registered with it. Colours are 0x00BBGGRR numbers. Each member is a get and a set of the
// same name.
class cToolTip : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY(cToolTip)
public:
    static constexpr int kStandard = 1;
    static constexpr int kBalloon = 2;

    cToolTip();
    ~cToolTip() override;

    [[nodiscard]] quint32 TxtColor() const { return m_textColour; }
    void TxtColor(quint32 colour);
    [[nodiscard]] quint32 BkColor() const { return m_backColour; }
    void BkColor(quint32 colour);
    [[nodiscard]] int VisibleTime() const { return m_visibleTime; }
    void VisibleTime(int milliseconds);
    [[nodiscard]] int DelayTime() const { return m_delayTime; }
    void DelayTime(int milliseconds);
    [[nodiscard]] int TipWidth() const { return m_tipWidth; }
    void TipWidth(int pixels);
    [[nodiscard]] int Style() const { return m_style; }
    void Style(int style);

    // Shows the text as the window's tip; centre puts the tip centred below the window.
    void SetToolTipObj(QWidget* window, const QString& text, bool centre = false);
    // Removes the window's tip; a tool id of 0 or more names a tool by number, and none is
    // ever registered that way.
    void DelToolTip(QWidget* window, qint32 item = -1);

    // The tooltip window (tests look at its text and look).
    [[nodiscard]] QLabel* tipWindow() const { return m_tip; }
    [[nodiscard]] bool isBalloon() const { return m_balloon; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct Tool
    {
        QString text;
        bool centre = false;
    };
    void applyLook();
    void showTip();
    void hideTip();

    QLabel* m_tip = nullptr;
    QHash<QWidget*, Tool> m_tools;
    QWidget* m_hovered = nullptr;
    QTimer m_delay;
    QTimer m_visible;
    int m_tipWidth = 300;
    int m_delayTime = 500;
    int m_visibleTime = 2000;
    quint32 m_backColour = 0xEEFFFF;
    quint32 m_textColour = 0;
    int m_style = kStandard;
    bool m_balloon = false;
};
