#include <QApplication>
#include <QDesktopServices>
#include <QEnterEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QUrl>
#include <vector>

#include "app/AboutUnit.h"
#include "app/MainUnit.h"
#include "uisupport/FormsFixture.h"

namespace stampwise::testing {

// Takes the links that would go to the desktop, for as long as it lives.
class LinkRecorder : public QObject {
    Q_OBJECT
public:
    LinkRecorder() {
        QDesktopServices::setUrlHandler(QStringLiteral("http"), this, "Open");
        QDesktopServices::setUrlHandler(QStringLiteral("mailto"), this, "Open");
    }
    ~LinkRecorder() override {
        QDesktopServices::unsetUrlHandler(QStringLiteral("http"));
        QDesktopServices::unsetUrlHandler(QStringLiteral("mailto"));
    }
    Q_INVOKABLE void Open(const QUrl& url) { opened.push_back(url.toString().toStdString()); }

    std::vector<std::string> opened;
};

namespace {

void SendMouse(QWidget* widget, QEvent::Type type, Qt::MouseButton button, Qt::MouseButtons held) {
    const QPointF local(widget->width() / 2.0, widget->height() / 2.0);
    QMouseEvent event(type, local, widget->mapToGlobal(local), button, held, Qt::NoModifier);
    QApplication::sendEvent(widget, &event);
}

void Click(QWidget* widget) {
    SendMouse(widget, QEvent::MouseButtonPress, Qt::LeftButton, Qt::LeftButton);
    SendMouse(widget, QEvent::MouseButtonRelease, Qt::LeftButton, Qt::NoButton);
}

void Leave(QWidget* widget) {
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(widget, &leave);
}

class AboutWindow : public FormsFixture {
protected:
    void SetUp() override {
        FormsFixture::SetUp();
        forms->Window<TMainForm>(stampwise::FormId::MainForm)->btnAbout->click();
        ASSERT_TRUE(About()->isVisible());
    }
    TAboutForm* About() { return forms->Window<TAboutForm>(stampwise::FormId::AboutForm); }
};

TEST_F(AboutWindow, IsAFixedToolWindowWithItsCaption) {
    EXPECT_EQ(About()->windowTitle().toStdString(), "О программе");
    EXPECT_EQ(About()->windowType(), Qt::Tool);
    EXPECT_EQ(About()->size(), QSize(439, 318));
    EXPECT_EQ(About()->minimumSize(), About()->maximumSize());
}

TEST_F(AboutWindow, ShowsTheProgramsNameVersionAndPictures) {
    auto* name = Control<QLabel>(FormId::AboutForm, "lblProgName");
    auto* version = Control<QLabel>(FormId::AboutForm, "lblVersion");
    auto* side = Control<QLabel>(FormId::AboutForm, "LogoImg");
    auto* logo = Control<QLabel>(FormId::AboutForm, "VMLogoImg");
    ASSERT_TRUE(name && version && side && logo);
    EXPECT_EQ(name->text().toStdString(), "Velmora Stampwise");
    EXPECT_EQ(name->font().family().toStdString(), "Tahoma");
    EXPECT_TRUE(name->font().bold());
    EXPECT_EQ(name->font().pixelSize(), 21);
    EXPECT_EQ(version->text().toStdString(), std::string("Версия: ") + STAMPWISE_VERSION);
    EXPECT_TRUE(version->font().bold());
    EXPECT_TRUE(version->font().underline());

    EXPECT_EQ(side->pixmap().size(), QSize(107, 317));
    EXPECT_EQ(side->pos(), QPoint(0, 0));
    EXPECT_EQ(logo->pixmap().size(), QSize(150, 71));
    // The logo's white background is left out, its drawing is not.
    EXPECT_FALSE(logo->pixmap().mask().isNull());
    const QImage mask = logo->pixmap().mask().toImage();
    EXPECT_EQ(mask.pixelIndex(0, 0), 0);
    EXPECT_EQ(mask.pixelIndex(34, 35), 1);
}

TEST_F(AboutWindow, LinksStandBesideTheirCaptions) {
    const char* const pairs[][3] = {{"lblSiteCaption", "lblWebSite", "Официальный сайт:"},
                                    {"lblSupportCaption", "lblSupport", "Служба поддержки:"}};
    for (const auto& [captionName, linkName, text] : pairs) {
        auto* caption = Control<QLabel>(FormId::AboutForm, captionName);
        auto* link = Control<QLabel>(FormId::AboutForm, linkName);
        ASSERT_TRUE(caption && link);
        EXPECT_EQ(caption->text().toStdString(), text);
        EXPECT_EQ(link->y(), caption->y()) << linkName;
        EXPECT_GT(link->x(), caption->geometry().right()) << linkName;
        EXPECT_LE(link->geometry().right(), About()->width()) << linkName;
        EXPECT_LE(caption->sizeHint().width(), caption->width()) << captionName << " is cut off";
        EXPECT_LE(link->sizeHint().width(), link->width()) << linkName << " is cut off";
        EXPECT_EQ(link->cursor().shape(), Qt::PointingHandCursor);
        EXPECT_EQ(link->palette().color(QPalette::WindowText), QColor(0, 0, 255));
    }
    EXPECT_GT(About()->lblSupport->y(), About()->lblWebSite->y());
    // On a domain reserved for examples, and without a scheme: the click adds it.
    EXPECT_FALSE(About()->lblWebSite->text().contains(QStringLiteral("://")));
    const QUrl site(QStringLiteral("http://") + About()->lblWebSite->text());
    EXPECT_TRUE(site.isValid());
    EXPECT_TRUE(site.host().endsWith(QStringLiteral(".example"))) << site.host().toStdString();
    EXPECT_TRUE(About()->lblSupport->text().endsWith(QStringLiteral("@velmora.example")));
}

TEST_F(AboutWindow, ALinkIsUnderlinedOnlyWhileTheMouseIsOverIt) {
    QLabel* links[] = {About()->lblWebSite, About()->lblSupport};
    for (QLabel* link : links) {
        EXPECT_FALSE(link->font().underline());
        SendMouse(link, QEvent::MouseMove, Qt::NoButton, Qt::NoButton);
        EXPECT_TRUE(link->font().underline());
        EXPECT_TRUE(link->font().bold());
        Leave(link);
        EXPECT_FALSE(link->font().underline());
        EXPECT_TRUE(link->font().bold());
        EXPECT_EQ(link->palette().color(QPalette::WindowText), QColor(0, 0, 255));
    }
    // Moving over one link leaves the other alone.
    SendMouse(About()->lblSupport, QEvent::MouseMove, Qt::NoButton, Qt::NoButton);
    EXPECT_FALSE(About()->lblWebSite->font().underline());
}

TEST_F(AboutWindow, ClickingALinkHandsItToTheDesktopWithItsScheme) {
    LinkRecorder recorder;
    Click(About()->lblWebSite);
    Click(About()->lblSupport);
    const std::vector<std::string> expected = {
        "http://" + About()->lblWebSite->text().toStdString(),
        "mailto:" + About()->lblSupport->text().toStdString(),
    };
    EXPECT_EQ(recorder.opened, expected);
}

TEST_F(AboutWindow, OkHidesItAndTheMainWindowShowsItAgainUnchanged) {
    SendMouse(About()->lblWebSite, QEvent::MouseMove, Qt::NoButton, Qt::NoButton);
    Leave(About()->lblWebSite);
    Control<QPushButton>(FormId::AboutForm, "btnClose")->click();
    EXPECT_FALSE(About()->isVisible());
    EXPECT_TRUE(forms->Window<TMainForm>(stampwise::FormId::MainForm)->isVisible());

    forms->Window<TMainForm>(stampwise::FormId::MainForm)->btnAbout->click();
    EXPECT_TRUE(About()->isVisible());
    EXPECT_EQ(About()->lblProgName->text().toStdString(), "Velmora Stampwise");
    EXPECT_FALSE(About()->lblWebSite->font().underline());
}

}  // namespace
}  // namespace stampwise::testing

#include "AboutUnitTest.moc"
