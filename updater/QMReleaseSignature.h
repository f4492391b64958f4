#pragma once
// Release signatures: a release archive is installed only when the feed's "Signature" for it was
// made with the project's release key.
//
// The signature is Ed25519 over the 32 bytes of the download's SHA-256 digest, Base64 in the feed;
// the digest is taken while the file is read, so a download of any size is never held whole. The
// program trusts the public half of the release key, compiled in; the private half never leaves
// the release maker. A release is signed so:
//
//     openssl dgst -sha256 -binary QuillmartVodar.tar.gz > digest
//     openssl pkeyutl -sign -rawin -inkey release-signing-key.pem -in digest | base64 -w0
//
// Any thread.

#include <QByteArray>
#include <QString>

class QMReleaseSignature
{
public:
    // The public key of the project's release key pair, as PEM text.
    static QByteArray releasePublicKey();

    // True when `base64Signature` signs `sha256Digest` (32 bytes) under `publicKeyPem` (an Ed25519
    // public key in PEM form). False with a reason otherwise.
    static bool verifyDigest(const QByteArray& sha256Digest, const QString& base64Signature,
                             const QByteArray& publicKeyPem, QString* error);
};
