// The QMimeData adapter: what it offers for Qt's Windows-format names, and
// that it reads nothing while a drag only hovers. A message drag, offered as
// one file message.eml, is the library's drop test.
#include <gtest/gtest.h>

#include <QMimeData>
#include <QUrl>

#include "tests/tromsel/TestObjects.h"

namespace quorvel::test {
namespace {

// Counts every read of its data.
class CountingMimeData : public QMimeData {
public:
    mutable int reads = 0;

protected:
    QVariant retrieveData(const QString& mime, QMetaType type) const override {
        ++reads;
        return QMimeData::retrieveData(mime, type);
    }
};

const QString kWin = QString::fromLatin1(kQtWindowsMimePrefix);

FORMATETC formatOf(const char* name, LONG index, DWORD tymed) {
    return FORMATETC{static_cast<CLIPFORMAT>(RegisterClipboardFormatA(name)), nullptr, DVASPECT_CONTENT, index, tymed};
}

std::string memoryOf(STGMEDIUM& m) {
    std::string bytes(static_cast<const char*>(GlobalLock(m.hGlobal)), GlobalSize(m.hGlobal));
    GlobalUnlock(m.hGlobal);
    return bytes;
}

std::string streamOf(STGMEDIUM& m) {
    std::string bytes;
    char buf[100];
    ULONG got = 0;
    while (m.pstm->Read(buf, sizeof buf, &got) == S_OK || got) {
        bytes.append(buf, got);
        if (got < sizeof buf) {
            break;
        }
    }
    return bytes;
}

struct Adapter {
    ComPtr<IDataObject> data;
    explicit Adapter(const QMimeData* mime) { createMimeDataObject(mime, data.put()); }
    HRESULT query(const char* name, LONG index, DWORD tymed) {
        FORMATETC f = formatOf(name, index, tymed);
        return data->QueryGetData(&f);
    }
    HRESULT get(const char* name, LONG index, DWORD tymed, STGMEDIUM& m) {
        FORMATETC f = formatOf(name, index, tymed);
        return data->GetData(&f, &m);
    }
};

TEST(MimeDataObject, windowsFormatNamesAreOfferedAsTheShellFormats) {
    CountingMimeData mime;
    const std::string descriptor = descriptorOf({"a.eml", "b.eml"});
    mime.setData(kWin + "FileGroupDescriptor\"", QByteArray::fromStdString(descriptor));
    mime.setData(kWin + "FileGroupDescriptorW\"", "wide");
    mime.setData(kWin + "FileContents\";index=0", "first");
    mime.setData(kWin + "FileContents\";index=1", "second");
    Adapter a(&mime);

    EXPECT_EQ(a.query(kDescriptorFormat, -1, TYMED_HGLOBAL), S_OK);
    EXPECT_EQ(a.query(kDescriptorWFormat, -1, TYMED_HGLOBAL), S_OK);
    EXPECT_EQ(a.query(kContentsFormat, -1, TYMED_ISTREAM), S_OK);
    EXPECT_EQ(a.query(kContentsFormat, 1, TYMED_ISTREAM | TYMED_HGLOBAL), S_OK);
    EXPECT_EQ(a.query(kContentsFormat, 2, TYMED_ISTREAM), DV_E_LINDEX);
    EXPECT_EQ(a.query(kDescriptorFormat, -1, TYMED_ISTREAM), DV_E_TYMED);
    EXPECT_EQ(a.query(kContentsFormat, 0, TYMED_HGLOBAL), DV_E_TYMED);
    EXPECT_EQ(a.query("Something Else", -1, TYMED_HGLOBAL), DV_E_FORMATETC);
    FORMATETC icon = formatOf(kDescriptorFormat, -1, TYMED_HGLOBAL);
    icon.dwAspect = 4;
    EXPECT_EQ(a.data->QueryGetData(&icon), DV_E_DVASPECT);
    EXPECT_EQ(mime.reads, 0);  // hovering reads nothing

    STGMEDIUM m{};
    ASSERT_EQ(a.get(kDescriptorFormat, -1, TYMED_HGLOBAL, m), S_OK);
    EXPECT_EQ(m.tymed, TYMED_HGLOBAL);
    EXPECT_EQ(memoryOf(m), descriptor);
    ReleaseStgMedium(&m);
    ASSERT_EQ(a.get(kContentsFormat, 1, TYMED_ISTREAM, m), S_OK);
    EXPECT_EQ(m.tymed, TYMED_ISTREAM);
    EXPECT_EQ(streamOf(m), "second");
    ReleaseStgMedium(&m);
    EXPECT_EQ(a.get(kContentsFormat, 5, TYMED_ISTREAM, m), DV_E_LINDEX);
    EXPECT_EQ(m.tymed, TYMED_NULL);
    EXPECT_GT(mime.reads, 0);
}

TEST(MimeDataObject, fileReferencesAndPlainFileDragsAreNotVirtualFiles) {
    // A message/rfc822 that names a file is a reference, not a message: the
    // format list cannot tell while hovering, the drop refuses it.
    CountingMimeData reference;
    reference.setData("message/rfc822", "file:///home/u/mail/1.eml\r\n");
    Adapter r(&reference);
    EXPECT_EQ(r.query(kDescriptorFormat, -1, TYMED_HGLOBAL), S_OK);
    EXPECT_EQ(reference.reads, 0);
    STGMEDIUM m{};
    EXPECT_EQ(r.get(kDescriptorFormat, -1, TYMED_HGLOBAL, m), DV_E_FORMATETC);
    EXPECT_EQ(r.get(kContentsFormat, 0, TYMED_ISTREAM, m), DV_E_FORMATETC);

    CountingMimeData files;
    files.setUrls({QUrl::fromLocalFile("/tmp/a.eml")});
    Adapter f(&files);
    EXPECT_EQ(f.query(kDescriptorWFormat, -1, TYMED_HGLOBAL), DV_E_FORMATETC);
    EXPECT_EQ(f.query(kContentsFormat, -1, TYMED_ISTREAM), DV_E_FORMATETC);
    EXPECT_EQ(f.get(kDescriptorFormat, -1, TYMED_HGLOBAL, m), DV_E_FORMATETC);
    EXPECT_EQ(files.reads, 0);  // the uri list is never read

    // After the drag the adapter answers nothing.
    EXPECT_EQ(mimeDataOf(f.data.get()), &files);
    detachMimeDataObject(f.data.get());
    EXPECT_EQ(mimeDataOf(f.data.get()), nullptr);
    EXPECT_EQ(f.query(kDescriptorFormat, -1, TYMED_HGLOBAL), E_UNEXPECTED);

    TestDataObject foreign;
    EXPECT_EQ(mimeDataOf(&foreign), nullptr);
    EXPECT_EQ(mimeDataOf(nullptr), nullptr);
}

}  // namespace
}  // namespace quorvel::test
