// The built-in default signature picture: a 500 x 500 PNG seal.
#include "core/vdPictureGraphics.h"
#include "report/vdxClass_signature.h"

#include <QBuffer>

namespace {

const char kDefaultSignaturePicture[] =
    "iVBORw0KGgoAAAANSUhEUgAAAfQAAAH0AgMAAAC2uDcZAAAACVBMVEX///8fOm6cuODEpr5YAAAAA3RSTlMA//9EUNYhAAAO"
    "n0lEQVR42u1dPZKzOhBEVClxrkv4FByBQNyHozikOOVXb21skEbzj3mBFe4amunuGWyQRl33G7/xG7/xG7/xG8UI03MM10Ff"
    "cgFTOb6IHad6jJcF/sXww9Qaw5XgX4DHwE+Hx8HPhp+ocSn4mfCJgZ6/WWS+VnbCxBvDZbyfxn2cuGO8jvdzuE8C9Hwd72dw"
    "P8nGlaF7Bz9NFwafxOj5mmzzz7qkQM9Xhu4XfFKh5ytD9wo+KtHHa3LdM+ejGn28MnSP4KMBfbwo3ZySLkyWMVxIvJ16hqnO"
    "811khRVPCj4xzxrP8F1guymc4LsoUNOfehGbydl3QSZl8qU+CYPx9Z2YSU/qg5jI4Eh9kls4+lGvOVPyoj5QJ1qfg7rkwYn4"
    "Pe+39TMeKPfZh/jdafr1OGbson2IH8DAy/CDC/Wxzft9rcfCOdDj5QcEvod3oD40I4DBd/DRTn1sBdAC38HbqU+NM9xKo/e1"
    "9aI55xqh97XMOzpm/GA18eOxvhUFrvxzNFKf4Ku/14GD/zBSD198X1fWogDNcPC2fDsQ/AAPuR24N+VcBJm7IeDFf5NF+ARd"
    "et/Q/Kj9DJGXDbLn3dkX5Kj9B5Je+NAOHT2uHfygl30X2Ywe1++C1wufgCN7ivfiCqNaeIi1O8n7xv0CUa+VPX9Cf5CH3j7B"
    "J6XwESD+zuD9+LmoFD7VnPW05bryg0rhgcO4oe8/mVTCA3Np2KHvP6qbkxPra76xQ38G/6g5HDWy53cizczD+3dqJo3wNWGS"
    "0HfBB4XwwDF3QejP4JdGHDLZ8/F0/ODnivpRLvub+FmA3oPUZ7nsm+ckoT+Db5xLgp4PobDHDaRebLrxEAl/bGxFqe3qA8Sh"
    "P4OHQxGY7k38LETvIeqzUPaN+KWTjjtEvVB2LfEN6gcZ+kai4tHHRr0MPZZCqYj/HJZEtqs+rfDcnrIosl3JlJL491UHie2q"
    "D990xP9R/5AKHwDZZxV6Dwg/CEw3Woh/Ux8FtiuvVE38m/ogsF0pu5r4D/UC25UXqif+fWxio4da9kWNfq+FH9ime8n+UKPf"
    "auFHtumMsoPCZy66WXZI+Mw13Uv2hwH9VgvPNd3wOdxA/QM4Kwf9JXvXmagvhR94ls+7oy05Vwg/8kznIDskfOajG2V/Xz4T"
    "vRDIKvsmXWCZvvyUVfb39bNsF44MmWV/a5c46NFZdkj4kYPuIzsg/Mix/OAi+xZB4Jj+aDoH2d/qcUxfmW42o/eV7RiWf5mu"
    "6xyEf9SOYlj+7iD7dhaG6aO/6QDbjbTlvUwH2I6eJJZ9as2u3iQSfSrRu87NdrTpzzAdYDsy4Yb3NbsIX5+cQu99ZN9ORKLH"
    "0vKe6B2VcukU09W2ywx0L9NtZ6LQj9x4mW5jkTL9OZYHTP9FyzNNf7w4P9NtNOLosbD84oZ+L0w/kuh3V/SFRE8nWb42fWag"
    "z27oPQP9LMsDpqfQPS3/kpGL7mz5zfQYejjN8rXpBxLdavmwA7mR6NHZ8nuGS9OPOLrd8nGP8jwdhp6KhHMI/RN8kXIZRzcn"
    "XDgKXKRcPjnh0hGGTLnDv8yWL2Ce0XDQPRIuFLlVphye7lbLl+hPF7cTPrime6zn4R6SeiDS3cV0H9sRCR9d030C0QMP3Zpw"
    "AZh//cDQk2e6Rxi9a5ab5Jnu9ROqIuEz5hMremqgpxa6a7rXD8TLhG8d4JDuAZx4f1AEKTbWhIvgioe5XW5c0ZMe3SHdoblV"
    "RcIP5xUbBvrYQLcnXIAX+Sylt89Bj2L0otTNXqbbfa1Fil1yLDYTjL62i12B7ib7h2IM3THdG3O3i4Q/Cz1a0Rc3033Q7xx0"
    "e7FpLqY8lBuk0D7cZJ92j46apfbwV1uxaS2T+WOUQu9ORe9A9OhX6lJjuULfLrUHdFupay3OeuYxjm4ude2lYcdidw56bK6O"
    "aqPv66+t1KXmAqE/QcFCn9xKXXtV3LHYfQN9EKObCi2yKO6vjIDo0wH94V9rtlIL3mbcynwi0AOFbiq0yFLMotCfgI4tQ22i"
    "B68yj63E7Fu3GTd0bBUqD91yk0nIerziNtNEP8V0rxNj6MabDL72+XibGdxvcRFd/tu6yUWnW1xCV8Aeb3It9OUU072S6UR0"
    "fMk7iW67wQYGesTRDTdY3HTFLXZs3N4f55iuuMVmb3Si18BX0QcxuunLBdVq4Pj1AkbX396pNgvHG3wLfT7HdM9cBtAnF3Sq"
    "wUXf+HLjgk429yDROz/0DkbvcHT1Vxuyt0fx5aaBfsoNrv5y44s+XYnO6CgDo7t8qYx0UxX4a6ULOlVrvok+KtAtXyoZjYSO"
    "Xyth9OWcWlN9sfNEj5eiM0x3Ijqng9O30IfvorMaOJ2GzmpedRp60qM7/IxjtQ2Df8jZf0jxWqbBP6Wi+ccEp9aUPyfY6Ila"
    "tM/rmKZDj6Kl4+3P6tClvZhd0SO5hJjZp0+FnshFvDzTqdAZmxOyao0OPdKrt3mmU6Enev00sz2jBX2y3eCU6HRM8Tz0QOvJ"
    "NJ0NPdtqjQo90pRye4La0Aeb6TTodL8GdktQG3q2mc6IPtlMp0EnDcVvRGtEHy21xoyeTaazok+GG5wD+mCoNXb00WI6M3q2"
    "mM6MPhlqDQ99kcnKNx31Swr6FUlVMr7sjV+R6C9ogllJ32fF7/eEnz5+FX3Qm06DHnHhJ77pHNCzutao0Bt7AChM54E+KG9w"
    "ymdWEyZt8kZfUVe3Zn9zWjIST8jBtwMJEV7W3l/zbiIiwktqjQ49IMLLuvs3Jhvh72WmtvBJIrvufRwivEh2HXpb+HAC+swW"
    "XmY6zltg4A14U3hRraHfgA8gelN4memUcw+awstkb6ETsz5awgt30+hZc04eHVN4melYM16gh9QN4WWmo2f7IA/oAYVFNzj9"
    "PCtYeOn+NepZXqDw0i1cWujkSylQeOn2Na3ZfeTMRlB4Wa1hzGxsvQ4EhZ806Ko5pYDw4k2TeOhrxxJeWGt4s3nhSSeA8OI9"
    "k1ozmelZ3IDwUtM1Z3EzJtzUwktl75jz52eO8GLT8Wbvw9P7KuHFprOsm6iET1LTNdE5K1ZK4aW1xrZephRebDoeemP2Ab4Z"
    "etd1si8XIHp77kNwQQdXaXFWqGHgnL1b2ivUOKvzMOFHFvpsQI8203HQkdmFwSY7siqTtVzHJrt1PWwyyc5Bx2ZSRxM6ZyUy"
    "Nos8mEyHrMLmrUA3mQ5Zgc5bfZ8spmOtvh+QaWbRYjqk8wCv60IwyI51XWB2nLChz8ZuG0lvOodeH1FvOhQ9sVZGBr3pOkGP"
    "l1kiPEt2XocZfMlMUsuOdtdhdhaKatk9+hqFs9EHdEav2nRoRyluN62kNB3eTYvbSSwqTefTxywoZcfR2R3klLLjHeTY3fOS"
    "BT210A9VCFmZGXWmIzoHJl7C18J3mnRH0bEp/DrTER0j2Q3skkZ2qlsmu1No1MjO7xRK9BILevR2l1R+h1iN6agOsfzuuElh"
    "Oqo7Lr8zcFSYjuoMzO+KHBSy87siky1i5bLTHaHTMeGR1ZFJLDvdDTtxE567HxuS7hk5J9UFPYhNR3dBF3SAF5uO7gAv6H6f"
    "pKa7iXvvLwzhM9vyFLog5YJQdsauB5IdH6Tooh0fBqr1fxKbbqbQE9/0UWa6XrHPyIOkfmRbnkaX7PCSJMSzdniR7G4TJPnG"
    "2t1GtLNPEoTO2tlHtqsRX3XmVl7Hf395R6eLd7NKAtNLBm8nr1SY/ru7mF27g9u1u9ddu3PftbsWXrxjY2X62Ud2juWv3qnz"
    "2l1Kr92h9drdaa/dmffiXYmTv+0EOzJfuxv1tTtxX7sL+bU7sF+7+3y53NwsfC175qObhX9dPhO9/JhV+Jd0ifecqRTIKvzr"
    "6pkPN0PxOaPwL+UC99Hq5Cp8LTv+wCFVwq8m4lfRo9VUCz9biC9lx9FjLfzDQnwpO/6zO9TCL5Z8m4GIeLYzC1/LTj3lmvyE"
    "B2Sn0FMt/KInvpSdetAUa+FXPfFzB+9pxrFdNlG/EZ8EL5FCqZKa+hfxnegVVvlhNfUv4oPoFVYqZVp11G9XHUVvLiMg/KIj"
    "fgGjkQmvpH6jTPbmsn7RuWpq/e11zdL3ptVLXhX120FR+N40lcL3Ct+9j0nC1+XRg3qQeM5T7QBRv8o9t8ChSIR/U/8Qh14R"
    "z3uJVM+rWKW+e7Mln6ORKrZuQt+9yQryORoRpH4Rhl4Tz3uVEmq67qLgPxermZozgdQvotAfjTiEwufNd+zg/wt9bZ1IKPzU"
    "SYN/h052o2IIP7zjmfmhz43ziIXP74AWduhLTfzEtg1wGDv43Qc10wAr4UdR8J/PRZXspWD5E9ODVeFfoSed7PBa1/vKudWt"
    "79Cly+Nbwo+f4BcG76/Qo1L2xgrrO228/RVOStkbkyf/Tr2SvL8uUDf/ErrwvAt+oXhfIPEksjf6hz2DX3BwOPQsQoc7eP2l"
    "UzPtDv9NetmbHbxWBP4JvoLSyWRv9dDq2/Av8BnkTiZ7s7XJU1pA++Ifk0X2+uLHA/dV4hV/jpNF9vrqp+7A/TH8+/bHGT9Y"
    "T/141PeD1X/+8GiEnsXosXX997U1lhZvYuLrJQojBb80L3wQo3ftZTl3HLybzLIDEYwo/MI50ED9jsBbBf5gHWehPhc38rW0"
    "P5gsKuKh04x1Za0qb9SupCKpn8ACRzCmIx46UVYQpiMePNMoTRQt8fAqyMH5CBH1ol0vTMTLl7/q1ylziUROlyZP4hsrj7ME"
    "XE98c7U//0pVNR6lnlj44EZ8u9HCyCPJ4DnsrFi7Ui/iO7yrDf8j/sFzhjF0oqEQNQYjOtHLCR/ZCm6ifjSjdwZ0O7gheIfQ"
    "DcF7gKuDdwldnXSDC7oy6bIPuDJ4p9B1wXuFrgveLXRN8H6ha3LeE1yc86Mrendl6NLgnUOXGS97g4uybnBHF3A/dieMdBnv"
    "Eu6HU9CZ3I/dSSNdxju35nTdhfBngpPOG7oL4U8Gx+FPB7e2rTzNet2XRvxmkRG9NvnKCBcoDl7ABdC/8Ru/8Ru/8Rv/9/EP"
    "6S376YB7idQAAAAASUVORK5CYII=";

} // namespace

std::unique_ptr<TGraphic> vdxCreateDefaultSignaturePicture()
{
    QByteArray bytes = QByteArray::fromBase64(QByteArray(kDefaultSignaturePicture));
    QBuffer b(&bytes);
    b.open(QIODevice::ReadOnly);
    try {
        return GetGraphicFormats()->LoadFromStream(b);
    } catch (const Exception &) {
        return nullptr;
    }
}
