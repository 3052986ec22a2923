// Prints how long the preview takes for large generated mails: the render of
// the file alone, and from Navigate to the first painted view.
//   preview_bench [folder for the generated mails]
#include <QApplication>
#include <QElapsedTimer>

#include <sys/resource.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "maillist/preview/MailRenderer.h"
#include "maillist/preview/PreviewBox.h"

namespace {

constexpr std::size_t kMB = 1024 * 1024;

const char* kHeader =
    "From: =?UTF-8?B?5bGx55Sw?= <yamada@example.jp>\r\n"
    "To: suzuki@example.jp\r\n"
    "Subject: =?UTF-8?B?5aSn44GN44Gq44Oh44O844Or?=\r\n"
    "Date: Tue, 2 Apr 2024 10:00:00 +0900\r\n"
    "MIME-Version: 1.0\r\n";

// Lines of Japanese and ASCII text until `size` bytes.
std::string textBody(std::size_t size) {
    const std::string line =
        "お世話になっております。見積書の件でご連絡いたします。Quarterly figures: 12345 67890.\r\n";
    std::string body;
    body.reserve(size + line.size());
    while (body.size() < size) {
        body += line;
    }
    return body;
}

std::string htmlBody(std::size_t size) {
    const std::string row =
        "<tr><td style=\"color:#333\">品目</td><td><b>数量</b> 12</td><td><a href=\"http://example.jp/x\">詳細</a>"
        "</td></tr>\r\n";
    std::string body = "<html><head><style>td{padding:2px}</style></head><body><table>\r\n";
    while (body.size() < size) {
        body += row;
    }
    return body + "</table></body></html>\r\n";
}

std::string paragraphsBody(std::size_t size) {
    const std::string paragraph =
        "<p>お世話になっております。<b>見積書</b>の件でご連絡いたします。<a href=\"http://example.jp/\">詳細</a>"
        "<span style=\"color:#c00\">至急</span> ご確認ください。</p>\r\n";
    std::string body = "<html><body>\r\n";
    while (body.size() < size) {
        body += paragraph;
    }
    return body + "</body></html>\r\n";
}

std::string base64Lines(std::size_t size) {
    std::string body;
    body.reserve(size + 80);
    const std::string line(76, 'Q');
    while (body.size() < size) {
        body += line + "\r\n";
    }
    return body;
}

std::string plainMail(std::size_t size) {
    return std::string(kHeader) + "Content-Type: text/plain; charset=UTF-8\r\nContent-Transfer-Encoding: 8bit\r\n\r\n" +
           textBody(size);
}

std::string htmlMail(std::size_t size) {
    return std::string(kHeader) + "Content-Type: text/html; charset=UTF-8\r\nContent-Transfer-Encoding: 8bit\r\n\r\n" +
           htmlBody(size);
}

std::string paragraphsMail(std::size_t size) {
    return std::string(kHeader) + "Content-Type: text/html; charset=UTF-8\r\nContent-Transfer-Encoding: 8bit\r\n\r\n" +
           paragraphsBody(size);
}

std::string attachmentMail(std::size_t size) {
    return std::string(kHeader) +
           "Content-Type: multipart/mixed; boundary=\"b1\"\r\n\r\n"
           "--b1\r\nContent-Type: text/html; charset=UTF-8\r\n\r\n<p>資料を<b>添付</b>します。</p>\r\n"
           "--b1\r\nContent-Type: application/pdf; name=\"report.pdf\"\r\n"
           "Content-Disposition: attachment; filename=\"report.pdf\"\r\nContent-Transfer-Encoding: base64\r\n\r\n" +
           base64Lines(size) + "--b1--\r\n";
}

void measure(const char* label, const std::string& path, quorvel::PreviewBox& box) {
    QElapsedTimer timer;
    timer.start();
    const quorvel::preview::PreviewDocument doc = quorvel::preview::renderMailFile(path.c_str());
    const double renderMs = timer.nsecsElapsed() / 1e6;

    timer.restart();
    box.Navigate(QString::fromStdString(path));
    const double navigateMs = timer.nsecsElapsed() / 1e6;
    box.repaint();
    const double paintedMs = timer.nsecsElapsed() / 1e6;
    QApplication::processEvents();
    std::printf("%-34s %6.1f MB  render %7.1f ms  Navigate %7.1f ms  Navigate+paint %7.1f ms  shown %zu chars%s\n",
                label, static_cast<double>(std::filesystem::file_size(path)) / kMB, renderMs, navigateMs, paintedMs,
                static_cast<std::size_t>(box.toPlainText().size()), doc.truncated ? " (cut)" : "");
}

}  // namespace

int main(int argc, char** argv) {
    if (!std::getenv("QT_QPA_PLATFORM")) {
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    }
    QApplication app(argc, argv);
    const std::filesystem::path folder =
        argc > 1 ? std::filesystem::path(argv[1]) : std::filesystem::temp_directory_path() / "quorvel-preview-bench";
    std::filesystem::create_directories(folder);

    quorvel::PreviewBox box;
    box.resize(900, 500);
    box.show();
    QApplication::processEvents();

    struct Case {
        const char* label;
        std::string (*make)(std::size_t);
        std::size_t size;
    };
    const Case cases[] = {
        {"plain text 5 MB", plainMail, 5 * kMB},
        {"HTML table 5 MB", htmlMail, 5 * kMB},
        {"HTML paragraphs 5 MB", paragraphsMail, 5 * kMB},
        {"HTML + 5 MB attachment", attachmentMail, 5 * kMB},
        {"plain text 50 MB", plainMail, 50 * kMB},
        {"HTML table 50 MB", htmlMail, 50 * kMB},
        {"HTML + 50 MB attachment", attachmentMail, 50 * kMB},
    };
    for (const Case& c : cases) {
        const std::string path = (folder / (std::string(c.label) + ".eml")).string();
        {
            std::ofstream out(path, std::ios::binary);
            const std::string mail = c.make(c.size);
            out.write(mail.data(), static_cast<std::streamsize>(mail.size()));
        }
        measure(c.label, path, box);
        measure(c.label, path, box);  // again, with the file in the page cache
        std::filesystem::remove(path);
    }
    std::filesystem::remove(folder);
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    std::printf("peak resident memory %.1f MB (the generator holds one mail in memory while writing it)\n",
                usage.ru_maxrss / 1024.0);
    return 0;
}
