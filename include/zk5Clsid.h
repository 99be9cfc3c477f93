// The id catalogue: every class id and interface id of the toolkit, in one
// fixed order (the index is the position in IdCatalogue). Compiled into
// every toolkit library, the engine and the desktop program.
#pragma once
#include <cstddef>

namespace zk::id {

inline constexpr char StdIBase[] = "std.IBase";  // 0
inline constexpr char CryptoIBlockCipher[] = "crypto.IBlockCipher";  // 1
inline constexpr char CryptoICipher[] = "crypto.ICipher";  // 2
inline constexpr char CryptoICipherStream[] = "crypto.ICipherStream";  // 3
inline constexpr char CryptoICipherFileStream[] = "crypto.ICipherFileStream";  // 4
inline constexpr char CryptoIHash[] = "crypto.IHash";  // 5
inline constexpr char CryptoIHashStream[] = "crypto.IHashStream";  // 6
inline constexpr char CryptoICipherHash[] = "crypto.ICipherHash";  // 7
inline constexpr char CryptoISeekCipherOFB[] = "crypto.ISeekCipherOFB";  // 8
inline constexpr char CryptoICipherEntropy[] = "crypto.ICipherEntropy";  // 9
inline constexpr char CryptoIAsymmetrical[] = "crypto.IAsymmetrical";  // 10
inline constexpr char CryptoIPassword[] = "crypto.IPassword";  // 11
inline constexpr char CryptoICRC[] = "crypto.ICRC";  // 12
inline constexpr char StreamIStream[] = "stream.IStream";  // 13
inline constexpr char StreamIFileStrem[] = "stream.IFileStrem";  // 14
inline constexpr char StreamIKeep[] = "stream.IKeep";  // 15
inline constexpr char StreamIFileSystem[] = "stream.IFileSystem";  // 16
inline constexpr char StreamIFlowControl[] = "stream.IFlowControl";  // 17
inline constexpr char StreamIMemStream[] = "stream.IMemStream";  // 18
inline constexpr char StreamIStreamProcessor[] = "stream.IStreamProcessor";  // 19
inline constexpr char StreamIFileStreamProcessor[] = "stream.IFileStreamProcessor";  // 20
inline constexpr char ArcIArc[] = "arc.IArc";  // 21
inline constexpr char ArcIProgress[] = "arc.IProgress";  // 22
inline constexpr char StegISteganos[] = "steg.ISteganos";  // 23
inline constexpr char StegISteganosDirect[] = "steg.ISteganosDirect";  // 24
inline constexpr char StegISteganosCopy[] = "steg.ISteganosCopy";  // 25
inline constexpr char ScriptITextRes[] = "script.ITextRes";  // 26
inline constexpr char ScriptIAppParam[] = "script.IAppParam";  // 27
inline constexpr char NetINetServer[] = "net.INetServer";  // 28
inline constexpr char NetINetClient[] = "net.INetClient";  // 29
inline constexpr char NetINetReading[] = "net.INetReading";  // 30
inline constexpr char ServerIServerAuth[] = "server.IServerAuth";  // 31
inline constexpr char ServerICommand[] = "server.ICommand";  // 32
inline constexpr char ServerISession[] = "server.ISession";  // 33
inline constexpr char ServerIServer[] = "server.IServer";  // 34
inline constexpr char ServerIServerDriver[] = "server.IServerDriver";  // 35
inline constexpr char ServerIClientDriver[] = "server.IClientDriver";  // 36
inline constexpr char ServerISrvLoginEvent[] = "server.ISrvLoginEvent";  // 37
inline constexpr char ServerISrvHashAuth[] = "server.ISrvHashAuth";  // 38
inline constexpr char ServerISrvRsaAuth[] = "server.ISrvRsaAuth";  // 39
inline constexpr char ServerIGetCipherObject[] = "server.IGetCipherObject";  // 40
inline constexpr char OpgpIOpenPGPKey[] = "opgp.IOpenPGPKey";  // 41
inline constexpr char CipherCipher[] = "cipher.Cipher";  // 42
inline constexpr char CipherBlowfish[] = "cipher.Blowfish";  // 43
inline constexpr char CipherIDEA[] = "cipher.IDEA";  // 44
inline constexpr char CipherGOST[] = "cipher.GOST";  // 45
inline constexpr char CipherThreeWay[] = "cipher.3Way";  // 46
inline constexpr char CipherRC5[] = "cipher.RC5";  // 47
inline constexpr char CipherAES16[] = "cipher.AES16";  // 48
inline constexpr char CipherAES24[] = "cipher.AES24";  // 49
inline constexpr char CipherAES32[] = "cipher.AES32";  // 50
inline constexpr char CipherCAST128[] = "cipher.CAST128";  // 51
inline constexpr char CipherFileStreamCFB[] = "cipher.FileStreamCFB";  // 52
inline constexpr char CipherFileStreamOFB[] = "cipher.FileStreamOFB";  // 53
inline constexpr char CipherEntropy[] = "cipher.Entropy";  // 54
inline constexpr char CipherRSA[] = "cipher.RSA";  // 55
inline constexpr char CipherSetPassword[] = "cipher.SetPassword";  // 56
inline constexpr char HashSHA[] = "hash.SHA";  // 57
inline constexpr char HashSHA32[] = "hash.SHA32";  // 58
inline constexpr char HashMD5[] = "hash.MD5";  // 59
inline constexpr char HashGOST[] = "hash.GOST";  // 60
inline constexpr char HashHashStream[] = "hash.HashStream";  // 61
inline constexpr char HashHashCipher[] = "hash.HashCipher";  // 62
inline constexpr char CRCStdCRC[] = "CRC.StdCRC";  // 63
inline constexpr char FosFileSys[] = "fos.FileSys";  // 64
inline constexpr char StorageDynFlowCtrl[] = "storage.DynFlowCtrl";  // 65
inline constexpr char StorageStaticFlowCtrl8x16[] = "storage.StaticFlowCtrl8x16";  // 66
inline constexpr char StorageStaticFlowCtrl8x32[] = "storage.StaticFlowCtrl8x32";  // 67
inline constexpr char StorageStaticFlowCtrl6x16[] = "storage.StaticFlowCtrl6x16";  // 68
inline constexpr char StorageStaticFlowCtrl16x32[] = "storage.StaticFlowCtrl16x32";  // 69
inline constexpr char StorageStaticFlowCtrl32x32[] = "storage.StaticFlowCtrl32x32";  // 70
inline constexpr char StorageMemStream[] = "storage.MemStream";  // 71
inline constexpr char ArcLZA[] = "arc.LZA";  // 72
inline constexpr char ArcArith[] = "arc.Arith";  // 73
inline constexpr char ArcASCIIcoder[] = "arc.ASCIIcoder";  // 74
inline constexpr char ArcFlatArc[] = "arc.FlatArc";  // 75
inline constexpr char ArcLzpxj[] = "arc.Lzpxj";  // 76
inline constexpr char StegBMP[] = "steg.BMP";  // 77
inline constexpr char StegTIFF[] = "steg.TIFF";  // 78
inline constexpr char StegJPEG[] = "steg.JPEG";  // 79
inline constexpr char StegPNG[] = "steg.PNG";  // 80
inline constexpr char StegWAVE[] = "steg.WAVE";  // 81
inline constexpr char StegMP3[] = "steg.MP3";  // 82
inline constexpr char StegText[] = "steg.Text";  // 83
inline constexpr char StegGIF[] = "steg.GIF";  // 84
inline constexpr char StegZIP[] = "steg.ZIP";  // 85
inline constexpr char ScriptTextRes[] = "script.TextRes";  // 86
inline constexpr char ScriptParamScript[] = "script.ParamScript";  // 87
inline constexpr char NetTCPServer[] = "net.TCPServer";  // 88
inline constexpr char NetTCPClient[] = "net.TCPClient";  // 89
inline constexpr char NetTCPStream[] = "net.TCPStream";  // 90
inline constexpr char ServerServerDriver[] = "server.ServerDriver";  // 91
inline constexpr char ServerNetSession[] = "server.NetSession";  // 92
inline constexpr char ServerClientDriver[] = "server.ClientDriver";  // 93
inline constexpr char ServerCSrvHashAuth[] = "server.CSrvHashAuth";  // 94
inline constexpr char OpgpRadix64[] = "opgp.Radix64";  // 95
inline constexpr char OpgpKey[] = "opgp.Key";  // 96

// Internal ids used only inside zk5storage.
inline constexpr char LocalFlowProvider[] = "local.fos.FlowProvider";
inline constexpr char LocalFlowStream[] = "local.fos.FlowStream";

inline constexpr std::size_t kCatalogueSize = 97;

}  // namespace zk::id

namespace zk {
// The catalogue proper, indexed as above.
extern const char* const IdCatalogue[id::kCatalogueSize];
}  // namespace zk
