#include "signed_data.h"

#include <algorithm>
#include <string_view>

#include "der_reader.h"
#include "distinguished_name.h"

namespace kestrow::signature {

namespace {

using namespace std::string_view_literals;

constexpr std::string_view kSignedDataType = "\x2A\x86\x48\x86\xF7\x0D\x01\x07\x02"sv;
constexpr std::string_view kSubjectKeyIdentifier = "\x55\x1D\x0E"sv;
constexpr std::uint8_t kBoolean = 0x01;

using der::SameBytes;

// How a signer names its certificate: by key identifier, or by issuer and serial number.
struct CertificateName {
    std::span<const std::byte> issuer; // the Name's whole encoding
    std::span<const std::byte> serialNumber;
    std::span<const std::byte> keyIdentifier; // empty when the certificate has none
};

struct SignedDataParts {
    DerReader certificates; // empty when the SignedData carries none
    DerReader signerInfos;
};

bool ReadSignedData(std::span<const std::byte> pkcs7, SignedDataParts& parts) {
    DerReader outer(pkcs7);
    DerReader contentInfo;
    DerReader explicitContent;
    DerReader fields;
    DerElement element;
    if (!outer.Next(der::kSequence, element) || !outer.Enter(element, contentInfo) ||
        !contentInfo.Next(der::kObjectIdentifier, element) ||
        !SameBytes(element.contents, kSignedDataType) ||
        !contentInfo.Next(der::ContextTag(0, true), element) ||
        !contentInfo.Enter(element, explicitContent) ||
        !explicitContent.Next(der::kSequence, element) || !explicitContent.Enter(element, fields)) {
        return false;
    }
    // The version, the digest algorithms and the signed content come first.
    if (!fields.Skip(der::kInteger) || !fields.Skip(der::kSet) || !fields.Skip(der::kSequence)) {
        return false;
    }
    if (fields.Next(der::ContextTag(0, true), element) &&
        !fields.Enter(element, parts.certificates)) {
        return false;
    }
    fields.Skip(der::ContextTag(1, true)); // revocation lists
    return fields.Next(der::kSet, element) && fields.Enter(element, parts.signerInfos);
}

// Of the first SignerInfo: its key identifier, or its issuer and serial number.
bool ReadSignerName(DerReader signerInfos, CertificateName& name) {
    DerReader fields;
    DerReader issuerAndSerial;
    DerElement element;
    DerElement issuer;
    DerElement serialNumber;
    if (!signerInfos.Next(der::kSequence, element) || !signerInfos.Enter(element, fields) ||
        !fields.Skip(der::kInteger)) {
        return false;
    }
    if (fields.Next(der::ContextTag(0, false), element)) {
        name.keyIdentifier = element.contents;
        return !name.keyIdentifier.empty();
    }
    if (!fields.Next(der::kSequence, element) || !fields.Enter(element, issuerAndSerial) ||
        !issuerAndSerial.Next(der::kSequence, issuer) ||
        !issuerAndSerial.Next(der::kInteger, serialNumber)) {
        return false;
    }
    name.issuer = issuer.encoding;
    name.serialNumber = serialNumber.contents;
    return true;
}

// The subject key identifier among the certificate's extensions; empty when there is none.
std::span<const std::byte> KeyIdentifierIn(const DerReader& tbs, const DerElement& field) {
    DerReader explicitList;
    DerReader extensions;
    DerElement element;
    if (!tbs.Enter(field, explicitList) || !explicitList.Next(der::kSequence, element) ||
        !explicitList.Enter(element, extensions)) {
        return {};
    }
    while (extensions.Next(der::kSequence, element)) {
        DerReader extension;
        DerElement type;
        if (!extensions.Enter(element, extension) ||
            !extension.Next(der::kObjectIdentifier, type)) {
            return {};
        }
        if (!SameBytes(type.contents, kSubjectKeyIdentifier)) {
            continue;
        }
        extension.Skip(kBoolean); // critical
        DerReader wrapped;
        if (extension.Next(der::kOctetString, element) && extension.Enter(element, wrapped) &&
            wrapped.Next(der::kOctetString, element)) {
            return element.contents;
        }
        return {};
    }
    return {};
}

// A certificate's names and, through subject, the Name's encoding.
bool ReadCertificate(const DerReader& certificates, const DerElement& certificate,
                     CertificateName& name, std::span<const std::byte>& subject) {
    DerReader fields;
    DerReader tbs;
    DerElement element;
    DerElement serialNumber;
    DerElement issuer;
    DerElement subjectName;
    if (!certificates.Enter(certificate, fields) || !fields.Next(der::kSequence, element) ||
        !fields.Enter(element, tbs)) {
        return false;
    }
    tbs.Skip(der::ContextTag(0, true)); // version
    // The serial number, signature algorithm, issuer, validity, subject and public key.
    if (!tbs.Next(der::kInteger, serialNumber) || !tbs.Skip(der::kSequence) ||
        !tbs.Next(der::kSequence, issuer) || !tbs.Skip(der::kSequence) ||
        !tbs.Next(der::kSequence, subjectName) || !tbs.Skip(der::kSequence)) {
        return false;
    }
    tbs.Skip(der::ContextTag(1, false)); // issuer's unique identifier
    tbs.Skip(der::ContextTag(2, false)); // subject's unique identifier
    name = {issuer.encoding, serialNumber.contents, {}};
    if (tbs.Next(der::ContextTag(3, true), element)) {
        name.keyIdentifier = KeyIdentifierIn(tbs, element);
    }
    subject = subjectName.encoding;
    return true;
}

bool Names(const CertificateName& signer, const CertificateName& certificate) {
    if (!signer.keyIdentifier.empty()) {
        return std::ranges::equal(signer.keyIdentifier, certificate.keyIdentifier);
    }
    return std::ranges::equal(signer.issuer, certificate.issuer) &&
           std::ranges::equal(signer.serialNumber, certificate.serialNumber);
}

// The signer's certificate's subject; malformed certificates are passed over, as the
// signer's may be among others.
bool FindSubject(DerReader certificates, const CertificateName& signer,
                 std::span<const std::byte>& subject) {
    DerElement certificate;
    while (certificates.Next(certificate)) {
        CertificateName name;
        if (certificate.tag == der::kSequence &&
            ReadCertificate(certificates, certificate, name, subject) && Names(signer, name)) {
            return true;
        }
    }
    return false;
}

} // namespace

SignatureState SignerOfSignedData(std::span<const std::byte> pkcs7, Signer& signer) {
    signer = {};
    SignedDataParts parts;
    CertificateName signerName;
    std::span<const std::byte> subject;
    if (!ReadSignedData(pkcs7, parts) || !ReadSignerName(parts.signerInfos, signerName) ||
        !FindSubject(parts.certificates, signerName, subject) ||
        !DistinguishedNameText(subject, signer.subject)) {
        return SignatureState::Damaged;
    }
    return SignatureState::Signed;
}

} // namespace kestrow::signature
