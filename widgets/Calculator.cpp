#include "Calculator.h"

#include "Application.h"
#include "ConfirmButtonDelegate.h"
#include "NumberFormat.h"
#include "VisualConstants.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QPushButton>

#include <cmath>

namespace {

void setStyleSheets()
{
    using S = Calculator::StyleSheet;
    S::BlackButton = QStringLiteral("QPushButton:enabled { border:2px solid black; background-color:#666666; } "
                                    "QPushButton:disabled { border:none; background-color:#cccccc; }");
    S::ConfirmButton = QStringLiteral(
        "QPushButton:enabled { border:2px solid black; background-color:#ffdd00; } QPushButton:checked { "
        "border:2px solid #aa0000; } QPushButton:disabled { border:none; background-color:#ffeecc; }");
    S::FunctionButton = QStringLiteral("QPushButton:enabled { border:1px solid black; background-color:#999999; } "
                                       "QPushButton:disabled { border:none; background-color:#dddddd; }");
    S::GreenButton = QStringLiteral(
        "QPushButton:enabled { border:1px solid #008000; background-color:#88aa88; } QPushButton:checked { "
        "border:1px solid #999999; background-color:#008000; } QPushButton:disabled { border:none; "
        "background-color:#dddddd; }");
    S::History = QStringLiteral("QLabel { background-color:none; color:black; font-family:helvetica; "
                                "font-size:12px; border:none; padding-left:4px; padding-right:4px; } "
                                "QLabel:enabled { color:black; } QLabel:disabled { color:#808080; }");
    S::Readout = QStringLiteral("QLabel { background-color:white; color:black; border:1px solid #808080; "
                                "border-radius:4px; padding-right:8px; font-family:helvetica; font-size:18px; } "
                                "QLabel:enabled { color:black; } QLabel:disabled { color:#808080; }");
    S::RedButton = QStringLiteral("QPushButton:enabled { border:2px solid black; background-color:#aa0000; } "
                                  "QPushButton:disabled { border:none; background-color:#ffcccc; }");
    S::SecondFunction = QStringLiteral("QPushButton { border:none; background-color:none; }");
    S::YellowButton = QStringLiteral("QPushButton:enabled { border:2px solid black; background-color:#ffdd00; } "
                                     "QPushButton:disabled { border:none; background-color:#ffeecc; }");
}

const bool styleSheetsRegistered = (addVisualConstantsInitialiser(setStyleSheets), true);

} // namespace

QString Calculator::StyleSheet::BlackButton, Calculator::StyleSheet::ConfirmButton,
    Calculator::StyleSheet::FunctionButton, Calculator::StyleSheet::GreenButton, Calculator::StyleSheet::History,
    Calculator::StyleSheet::Readout, Calculator::StyleSheet::RedButton, Calculator::StyleSheet::SecondFunction,
    Calculator::StyleSheet::YellowButton;

// One line per grid row: row 2, then rows 3 to 6.
const char* const Calculator::Keys::CapLegend[Calculator::Keys::Count] = {
    "",  "Sqrt",    "Square", "Sin^",  "Cos^", "Tan^",
    "7", "8",       "9",      "Recip", "",
    "4", "5",       "6",      "Mul",   "Div",
    "1", "2",       "3",      "Add",   "Sub",
    "0", "Decimal", "Neg",    "",      ""};

const int Calculator::Keys::KeyMap[Calculator::Keys::Count] = {
    Qt::Key_SysReq, Qt::Key_SysReq, Qt::Key_SysReq, Qt::Key_SysReq,   Qt::Key_SysReq, Qt::Key_SysReq,
    Qt::Key_7,      Qt::Key_8,      Qt::Key_9,      Qt::Key_SysReq,   Qt::Key_SysReq,
    Qt::Key_4,      Qt::Key_5,      Qt::Key_6,      Qt::Key_Asterisk, Qt::Key_Slash,
    Qt::Key_1,      Qt::Key_2,      Qt::Key_3,      Qt::Key_Plus,     Qt::Key_Minus,
    Qt::Key_0,      Qt::Key_Period, Qt::Key_Space,  Qt::Key_SysReq,   Qt::Key_SysReq};

const QSize Calculator::Keys::CapSize5(42, 22);
const QSize Calculator::Keys::CapSize6(33, 16);

Calculator::Calculator(const UnitSystemRef& unitSystem, QWidget* parent, Qt::WindowFlags flags)
    : QWidget(parent, flags | Qt::WindowStaysOnTopHint), matrix(Matrix4x4::zeroed()), unitSystem(unitSystem)
{
    setWindowTitle(tr("%1 Calculator").arg(QCoreApplication::applicationName()));
    setFocusPolicy(Qt::StrongFocus);

    historyLabel = new QLabel(this);
    historyLabel->setAlignment(Qt::AlignCenter);
    historyLabel->setFocusPolicy(Qt::NoFocus);
    historyLabel->setToolTip(tr("The history of operations"));
    historyLabel->setStyleSheet(StyleSheet::History);
    historyLabel->setGeometry(8, 4, 225, 24);

    readoutLabel = new QLabel(this);
    readoutLabel->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    readoutLabel->setFocusPolicy(Qt::StrongFocus);
    readoutLabel->setToolTip(tr("The current value of the calculation"));
    readoutLabel->setStyleSheet(StyleSheet::Readout);
    readoutLabel->setGeometry(62, 34, 162, 32);

    createKeys();
    setFocusProxy(readoutLabel);
    if (unitSystem)
        connect(unitSystem.data(), &UnitSystem::UnitSystemChanged, this, &Calculator::unitSystemChanged);

    // The calculator starts as if it had been opened on 0.
    valueEntered = false;
    determineValueDigits();
    displayReadout();
}

void Calculator::createKeys()
{
    QPushButton* cancelKey = addKeyCap(QStringLiteral("Cancel"), 0, 5, 1, 1);
    cancelKey->setObjectName(QStringLiteral("buttonCancel"));
    cancelKey->setStyleSheet(StyleSheet::ConfirmButton);
    cancelKey->setCheckable(true);
    cancelKey->setToolTip(tr("Abort changes and close calculator. Requires two clicks for confirmation."));
    connect(new ConfirmButtonDelegate(cancelKey), &ConfirmButtonDelegate::Confirmed, this, &Calculator::cancel);

    keyClearAll = addKeyCap(QStringLiteral("AC"), 1, 0, 1, 1);
    keyClearAll->setObjectName(QStringLiteral("buttonAC"));
    keyClearAll->setStyleSheet(StyleSheet::RedButton);
    connect(keyClearAll, &QPushButton::clicked, this, [this] { keyClear(); });

    QPushButton* deleteKey = addKeyCap(QStringLiteral("Del"), 1, 4, 1, 1);
    deleteKey->setObjectName(QStringLiteral("buttonDel"));
    deleteKey->setStyleSheet(StyleSheet::RedButton);
    deleteKey->setToolTip(tr("Delete right-most digit"));
    connect(deleteKey, &QPushButton::clicked, this, &Calculator::keyDelete);

    keyEquals = addKeyCap(QStringLiteral("Equals"), 6, 3, 1, 2);
    keyEquals->setObjectName(QStringLiteral("buttonEquals"));
    keyEquals->setStyleSheet(StyleSheet::YellowButton);
    connect(keyEquals, &QPushButton::clicked, this, &Calculator::keyDone);

    keyShift = addKeyCap(QStringLiteral("Shift"), 2, 0, 1, 1);
    keyShift->setObjectName(QStringLiteral("buttonShift"));
    keyShift->setStyleSheet(StyleSheet::GreenButton);
    keyShift->setCheckable(true);
    keyShift->setToolTip(tr("Toggle use of 2nd-function with the next tapped button."));

    int index = 0;
    for (int row = 2; row <= 6; ++row) {
        const int columns = row == 2 ? 6 : 5;
        for (int column = 0; column < columns; ++column, ++index) {
            QString name = QString::fromLatin1(Keys::CapLegend[index]);
            if (name.isEmpty())
                continue;
            const bool secondFunction = name.endsWith(QLatin1Char('^'));
            name.remove(QLatin1Char('^'));
            QPushButton* key = addKeyCap(name, row, column, 1, 1);
            key->setObjectName(QStringLiteral("button%1").arg(name));
            key->setStyleSheet(row == 2 ? StyleSheet::FunctionButton : StyleSheet::BlackButton);
            connect(key, &QPushButton::clicked, this, [this, index] { keyPressed(index); });
            if (secondFunction)
                addSecondFunction(name + QStringLiteral("_shift"), key);
        }
    }
}

QPushButton* Calculator::addKeyCap(const QString& name, int row, int column, int rowSpan, int columnSpan)
{
    const QPixmap icon = keyCapIcon(row, name, QColor());
    auto* key = new QPushButton(this);
    key->setIcon(icon);
    key->setIconSize(icon.size());
    key->setFocusPolicy(Qt::NoFocus);
    key->setFlat(true);
    key->setGeometry(keyCapRectangle(row, column, rowSpan, columnSpan));
    return key;
}

QRect Calculator::keyCapRectangle(int row, int column, int rowSpan, int columnSpan)
{
    // Five-column keys sit on a 56-pixel pitch, six-column keys on 47.
    if (row == 0)
        return QRect(QPoint(47 * column + 8, 6), QPoint(47 * (column + columnSpan) - 3, 36 * rowSpan - 11));
    if (row == 1)
        return QRect(QPoint(56 * column + 8, 36), QPoint(56 * (column + columnSpan) - 1, 36 * rowSpan + 27));
    if (row == 2)
        return QRect(QPoint(47 * column + 8, 36 * row + 8),
                     QPoint(47 * (column + columnSpan) - 3, 36 * (row + rowSpan) - 9));
    return QRect(QPoint(56 * column + 8, 36 * row + 8), QPoint(56 * (column + columnSpan) - 1, 36 * (row + rowSpan) - 1));
}

void Calculator::addSecondFunction(const QString& name, QPushButton* key)
{
    auto* strip = new QPushButton(this);
    strip->setFlat(true);
    strip->setFocusPolicy(Qt::NoFocus);
    strip->setStyleSheet(StyleSheet::SecondFunction);
    const QRect keyRect = key->geometry();
    strip->setGeometry(QRect(QPoint(keyRect.left(), keyRect.top() - 12), QPoint(keyRect.right(), keyRect.top() - 3)));
    const QPixmap icon = keyCapIcon(QSize(keyRect.width(), 10), name, QColor(0, 128, 0));
    strip->setIcon(icon);
    strip->setIconSize(icon.size());
    // The Shift key's state chooses the function; the strip only forwards.
    connect(strip, &QPushButton::clicked, key, &QPushButton::click);
}

QPixmap Calculator::keyCapIcon(const QSize& size, const QString& name, const QColor& colour)
{
    const QImage image(QStringLiteral(":/calculator%1.png").arg(name));
    QImage canvas(3 * size.width(), 3 * size.height(), QImage::Format_ARGB32);
    canvas.fill(Qt::transparent);
    {
        QPainter painter(&canvas);
        painter.drawImage((canvas.width() - image.width()) / 2, (canvas.height() - image.height()) / 2, image);
        if (colour.isValid()) {
            painter.setCompositionMode(QPainter::CompositionMode_SourceIn);
            painter.fillRect(canvas.rect(), colour);
        }
    }
    return QPixmap::fromImage(canvas.scaled(size, Qt::KeepAspectRatio, Qt::SmoothTransformation));
}

QPixmap Calculator::keyCapIcon(int row, const QString& name, const QColor& colour)
{
    return keyCapIcon(isFunctionKey(row) ? Keys::CapSize6 : Keys::CapSize5, name, colour);
}

QString Calculator::readoutText() const
{
    return readoutLabel->text();
}

QString Calculator::historyText() const
{
    return historyLabel->text();
}

void Calculator::displayReadout()
{
    bool done = stack.isEmpty();
    QString clearLabel = QStringLiteral("AC");
    QString text;
    if (!std::isfinite(value)) {
        text = tr("Error");
        done = false;
    } else if (valueEntered) {
        text = readoutTextOf(value);
    } else {
        clearLabel = QStringLiteral("C");
        const int decimals = decimalScale >= 0.5 ? int(std::lrint(std::log10(decimalScale))) : 0;
        text = QString::number(std::fabs(value), 'f', decimals);
        // The point typed without decimals yet.
        if (decimals == 0 && decimalScale > 0.5)
            text += QLatin1Char('.');
        // A sign typed before any digit shows alone, never as "-0".
        if (negative)
            text = digitCount == 0 ? QStringLiteral("-") : QLatin1Char('-') + text;
    }
    readoutLabel->setText(text);

    QString history;
    for (const StackItem& item : stack) {
        const char* symbol = nullptr;
        switch (item.operation) {
        case StackItem::Add: symbol = " + "; break;
        case StackItem::Subtract: symbol = " - "; break;
        case StackItem::Multiply: symbol = " x "; break;
        case StackItem::Divide: symbol = " / "; break;
        default: break;
        }
        history += symbol ? naturalDoubleToString(item.value, 5, 3, true) + QLatin1String(symbol)
                          : QStringLiteral(" op ");
    }
    historyLabel->setText(
        historyLabel->fontMetrics().elidedText(history, Qt::ElideLeft, historyLabel->width() - 16));

    const QString equalsName = done ? QStringLiteral("Done") : QStringLiteral("Equals");
    keyEquals->setIcon(keyCapIcon(keyEquals->iconSize(), equalsName, QColor()));
    keyEquals->setObjectName(done ? QStringLiteral("buttonReturn") : QStringLiteral("buttonEquals"));
    keyEquals->setStyleSheet(done ? StyleSheet::YellowButton : StyleSheet::BlackButton);
    keyEquals->setToolTip(done ? tr("Apply displayed answer to the model and close the calculator")
                               : tr("Calculate answer"));

    keyClearAll->setIcon(keyCapIcon(keyClearAll->iconSize(), clearLabel, QColor()));
    keyClearAll->setObjectName(QStringLiteral("button") + clearLabel);
    keyClearAll->setToolTip(clearLabel == QLatin1String("AC") ? tr("Clear and restart entire calculation")
                                                               : tr("Change current value to zero"));
}

bool Calculator::event(QEvent* event)
{
    switch (event->type()) {
    case QEvent::KeyPress: {
        const auto* key = static_cast<QKeyEvent*>(event);
        switch (key->key()) {
        case Qt::Key_Escape:
            cancel();
            return true;
        case Qt::Key_Backspace:
            keyDelete();
            return true;
        case Qt::Key_Return:
        case Qt::Key_Enter:
            keyDone();
            return true;
        case Qt::Key_Delete:
            keyClear(key->modifiers() & Qt::ShiftModifier);
            return true;
        case Qt::Key_SysReq:
            break;
        default:
            if (std::find(std::begin(Keys::KeyMap), std::end(Keys::KeyMap), key->key()) != std::end(Keys::KeyMap)) {
                processKey(key->key(), key->modifiers());
                return true;
            }
        }
        break;
    }
    // The disabled colours show while another window is active.
    case QEvent::WindowActivate:
        setEnabled(true);
        break;
    case QEvent::WindowDeactivate:
        setEnabled(false);
        break;
    default:
        break;
    }
    return QWidget::event(event);
}

void Calculator::showEvent(QShowEvent* event)
{
    // At its own size already where it opens for the first time.
    resize(287, 259);
    Application::restoreWidgetGeometry(this, QString());
    resize(287, 259);
    // Hidden while active, it was disabled and may be shown again without a
    // new activation: it opens usable, as on its first show.
    setEnabled(true);
    QWidget::showEvent(event);
}

void Calculator::closeEvent(QCloseEvent* event)
{
    Application::saveWidgetGeometry(this, QString());
    event->accept();
}
